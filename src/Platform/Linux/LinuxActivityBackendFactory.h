#pragma once

#include "Platform/ActivityBackendFactory.h"
#include "Platform/Linux/DBusIdleTimeSource.h"

#include <QDBusConnection>
#include <QHash>
#include <QMutex>

// The Linux backends of the activity monitor and the one place where they fall back.
//
// Idle time, first that answers: GNOME's Mutter idle monitor, the freedesktop screen saver, the
// X11 MIT-SCREEN-SAVER extension. Lock state: ActiveChanged of both screen-saver interfaces on
// the session bus and logind's LockedHint on the system bus. A bus that is not there costs one
// log line. The activity monitor walks the idle chain again, off its thread, when its source
// stops answering; a backend that keeps failing the same way is logged once, not on every walk.
class LinuxActivityBackendFactory final : public ActivityBackendFactory {
public:
    LinuxActivityBackendFactory(QDBusConnection sessionBus, QDBusConnection systemBus,
                                int timeoutMs = DBusIdleTimeSource::defaultTimeoutMs);

    std::unique_ptr<IdleTimeSource> createIdleTimeSource() override;
    std::vector<std::unique_ptr<ScreenLockSource>> createScreenLockSources() override;

private:
    void logOnce(const QString& what, const QString& line);
    template <typename Source> std::unique_ptr<IdleTimeSource> ifAnswering(std::unique_ptr<Source>);

    QDBusConnection m_sessionBus;
    QDBusConnection m_systemBus;
    int m_timeoutMs;
    QMutex m_mutex;
    // The last line logged about each backend, until it answers.
    QHash<QString, QString> m_lastLines;
};
