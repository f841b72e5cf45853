#pragma once

#include "Platform/ScreenLockSource.h"

#include <QDBusConnection>

// Follows a screen saver's ActiveChanged(bool) signal on the session bus, from any sender and
// object path: KDE emits it on two paths, and GNOME's shell owns org.gnome.ScreenSaver.
class ScreenSaverLockSource final : public ScreenLockSource {
    Q_OBJECT

public:
    static inline const QString freedesktopInterface =
        QStringLiteral("org.freedesktop.ScreenSaver");
    static inline const QString gnomeInterface = QStringLiteral("org.gnome.ScreenSaver");

    ScreenSaverLockSource(QDBusConnection bus, QString interface, QObject* parent = nullptr);
    ~ScreenSaverLockSource() override;

private slots:
    void onActiveChanged(bool active);

private:
    QDBusConnection m_bus;
    QString m_interface;
    bool m_subscribed = false;
};
