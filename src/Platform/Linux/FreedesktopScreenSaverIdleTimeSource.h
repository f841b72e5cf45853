#pragma once

#include "Platform/Linux/DBusIdleTimeSource.h"

// The screen saver service of KDE and other desktops; its GetSessionIdleTime answers
// milliseconds. KWin refuses it under Wayland, which the fallback then skips.
class FreedesktopScreenSaverIdleTimeSource final : public DBusIdleTimeSource {
public:
    explicit FreedesktopScreenSaverIdleTimeSource(
        QDBusConnection bus = QDBusConnection::sessionBus(), int timeoutMs = defaultTimeoutMs)
        : DBusIdleTimeSource(std::move(bus),
                             {QStringLiteral("org.freedesktop.ScreenSaver"),
                              QStringLiteral("/org/freedesktop/ScreenSaver"),
                              QStringLiteral("org.freedesktop.ScreenSaver"),
                              QStringLiteral("GetSessionIdleTime")},
                             QStringLiteral("org.freedesktop.ScreenSaver"), timeoutMs)
    {
    }
};
