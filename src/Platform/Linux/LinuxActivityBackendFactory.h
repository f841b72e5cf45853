#pragma once

#include "Platform/ActivityBackendFactory.h"
#include "Platform/Linux/DBusIdleTimeSource.h"

#include <QDBusConnection>

// The Linux backends of the activity monitor and the one place where they fall back.
//
// Idle time, first that answers: GNOME's Mutter idle monitor, the freedesktop screen saver, the
// X11 MIT-SCREEN-SAVER extension. Lock state: ActiveChanged of both screen-saver interfaces on
// the session bus and logind's LockedHint on the system bus. A bus that is not there costs one
// log line.
class LinuxActivityBackendFactory final : public ActivityBackendFactory {
public:
    LinuxActivityBackendFactory(QDBusConnection sessionBus, QDBusConnection systemBus,
                                int timeoutMs = DBusIdleTimeSource::defaultTimeoutMs);

    std::unique_ptr<IdleTimeSource> createIdleTimeSource() override;
    std::vector<std::unique_ptr<ScreenLockSource>> createScreenLockSources() override;

private:
    QDBusConnection m_sessionBus;
    QDBusConnection m_systemBus;
    int m_timeoutMs;
};
