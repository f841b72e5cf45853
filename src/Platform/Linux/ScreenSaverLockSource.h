#pragma once

#include "Platform/ScreenLockSource.h"

#include <QDBusConnection>
#include <QStringList>

// Follows a screen saver's ActiveChanged(bool) signal on the session bus. Any program on the bus
// can send that signal, so only the current owner of the screen saver's well-known name counts,
// and only at the object paths where that service lives: the bus connection resolves the name to
// its owner and follows it when the owner changes.
class ScreenSaverLockSource final : public ScreenLockSource {
    Q_OBJECT

public:
    // The well-known names; each one's interface has the same name.
    static inline const QString freedesktopInterface =
        QStringLiteral("org.freedesktop.ScreenSaver");
    static inline const QString gnomeInterface = QStringLiteral("org.gnome.ScreenSaver");

    // Where `service` emits ActiveChanged. KDE's screen locker emits on /ScreenSaver as well as
    // on the documented path; from the owner both are its own word, so both are followed.
    static QStringList objectPaths(const QString& service);

    ScreenSaverLockSource(QDBusConnection bus, QString service, QObject* parent = nullptr);
    ~ScreenSaverLockSource() override;

private slots:
    void onActiveChanged(bool active);

private:
    QDBusConnection m_bus;
    QString m_service;
    // The paths whose subscription succeeded.
    QStringList m_paths;
};
