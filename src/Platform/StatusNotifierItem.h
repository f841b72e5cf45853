#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <functional>
#include <optional>

// The application's item in a StatusNotifierItem tray: it shows the icon and tooltip it is given
// and reports the host's clicks. Registering with the watcher is asked for whenever a host
// appears (again after a watcher restart); nothing waits for the answer. Main thread.
class StatusNotifierItem {
public:
    // One size of the icon: ARGB32 pixels in network byte order, as the protocol carries them.
    struct Pixmap {
        int width = 0;
        int height = 0;
        QByteArray argb;
    };
    enum class Activation { primary, secondary, context };

    virtual ~StatusNotifierItem() = default;

    virtual void setIcon(const QList<Pixmap>& sizes, const QString& toolTip) = 0;
    virtual void registerWithWatcher() = 0;

    // The host's click, with the position it passed when it passed one.
    std::function<void(Activation, std::optional<QPoint>)> onActivated;
    // The watcher accepted the item: its host shows the icon now.
    std::function<void()> onRegistered;
};
