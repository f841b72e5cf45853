#include "Platform/Linux/LinuxActivityBackendFactory.h"

#include "Platform/Linux/FreedesktopScreenSaverIdleTimeSource.h"
#include "Platform/Linux/LinuxLog.h"
#include "Platform/Linux/LogindLockSource.h"
#include "Platform/Linux/MutterIdleTimeSource.h"
#include "Platform/Linux/ScreenSaverLockSource.h"
#include "Platform/Linux/X11IdleTimeSource.h"

LinuxActivityBackendFactory::LinuxActivityBackendFactory(QDBusConnection sessionBus,
                                                         QDBusConnection systemBus, int timeoutMs)
    : m_sessionBus(std::move(sessionBus))
    , m_systemBus(std::move(systemBus))
    , m_timeoutMs(timeoutMs)
{
}

void LinuxActivityBackendFactory::logOnce(const QString& what, const QString& line)
{
    if (m_lastLines.value(what) == line)
        return;
    m_lastLines.insert(what, line);
    qCInfo(lcLinuxActivity).noquote() << line;
}

template <typename Source>
std::unique_ptr<IdleTimeSource>
LinuxActivityBackendFactory::ifAnswering(std::unique_ptr<Source> source)
{
    // One read decides: a service that is missing fails at once, one that hangs after the timeout.
    if (source->idleSeconds()) {
        m_lastLines.remove(source->name());
        return source;
    }
    logOnce(source->name(),
            QStringLiteral("%1 does not answer (%2)").arg(source->name(), source->lastError()));
    return nullptr;
}

std::unique_ptr<IdleTimeSource> LinuxActivityBackendFactory::createIdleTimeSource()
{
    QMutexLocker lock(&m_mutex);
    if (m_sessionBus.isConnected()) {
        m_lastLines.remove(QStringLiteral("session bus"));
        if (auto mutter =
                ifAnswering(std::make_unique<MutterIdleTimeSource>(m_sessionBus, m_timeoutMs)))
            return mutter;
        if (auto screenSaver = ifAnswering(
                std::make_unique<FreedesktopScreenSaverIdleTimeSource>(m_sessionBus, m_timeoutMs)))
            return screenSaver;
    } else {
        logOnce(QStringLiteral("session bus"),
                QStringLiteral("Session bus unavailable; idle time not asked over D-Bus"));
    }
    if (auto x11 = X11IdleTimeSource::open()) {
        m_lastLines.remove(QStringLiteral("X11"));
        return x11;
    }
    logOnce(QStringLiteral("X11"), QStringLiteral("No X display with MIT-SCREEN-SAVER"));
    return nullptr;
}

std::vector<std::unique_ptr<ScreenLockSource>>
LinuxActivityBackendFactory::createScreenLockSources()
{
    std::vector<std::unique_ptr<ScreenLockSource>> sources;
    if (m_sessionBus.isConnected()) {
        sources.push_back(std::make_unique<ScreenSaverLockSource>(
            m_sessionBus, ScreenSaverLockSource::freedesktopInterface));
        sources.push_back(std::make_unique<ScreenSaverLockSource>(
            m_sessionBus, ScreenSaverLockSource::gnomeInterface));
    } else {
        qCInfo(lcLinuxActivity)
            << "Session bus unavailable; screen-saver lock signals not followed";
    }
    if (m_systemBus.isConnected())
        sources.push_back(std::make_unique<LogindLockSource>(m_systemBus));
    else
        qCInfo(lcLinuxActivity) << "System bus unavailable; logind lock state not followed";
    return sources;
}
