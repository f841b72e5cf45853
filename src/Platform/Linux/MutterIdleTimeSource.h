#pragma once

#include "Platform/Linux/DBusIdleTimeSource.h"

// GNOME's idle monitor. Under Wayland it is the only counter that sees input to native Wayland
// windows; XWayland's counter misses it.
class MutterIdleTimeSource final : public DBusIdleTimeSource {
public:
    explicit MutterIdleTimeSource(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  int timeoutMs = defaultTimeoutMs)
        : DBusIdleTimeSource(std::move(bus),
                             {QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                              QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                              QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                              QStringLiteral("GetIdletime")},
                             QStringLiteral("org.gnome.Mutter.IdleMonitor"), timeoutMs)
    {
    }
};
