#pragma once

#include <QObject>
#include <QString>

// The updater as the application delegate sees it: the chosen update channel as its raw value
// ("stable" or "beta"), and word when the user picks another. Main thread.
class UpdateChannelSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    virtual QString currentChannel() const = 0;

signals:
    void currentChannelChanged(const QString& channel);
};
