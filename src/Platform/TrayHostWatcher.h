#pragma once

#include <QObject>

// Which kinds of tray host the desktop offers right now: a StatusNotifierItem host (a watcher on
// the session bus with a host registered) and an XEmbed system tray (an owner of the tray
// selection). Watching runs from construction to destruction and never waits on the bus or the
// display: answers start false and change() fires when one arrives. Main thread.
class TrayHostWatcher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool hasStatusNotifierHost() const = 0;
    virtual bool hasXEmbedTray() const = 0;

signals:
    void changed();
};
