#include "Monitoring/ActivityMonitor.h"

#include "Platform/ActivityBackendFactory.h"

#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcActivityMonitor, "com.ostavel.app.ActivityMonitor")

ActivityMonitor::ActivityMonitor(std::unique_ptr<ActivityBackendFactory> backends, QObject* parent)
    : QObject(parent)
    , m_backends(std::move(backends))
{
}

ActivityMonitor::~ActivityMonitor() = default;

void ActivityMonitor::start()
{
    if (!m_idleTimeSourceChosen)
        chooseIdleTimeSource();

    m_lockSources = m_backends->createScreenLockSources();
    for (const auto& source : m_lockSources) {
        connect(source.get(), &ScreenLockSource::lockStateReported, this,
                &ActivityMonitor::onLockStateReported);
    }
    m_observing = true;
    qCInfo(lcActivityMonitor) << "Activity monitor started (HID idle counters)";
}

void ActivityMonitor::stop()
{
    // Destroying the sources ends their bus subscriptions.
    m_lockSources.clear();
    m_observing = false;
    qCInfo(lcActivityMonitor) << "Activity monitor stopped";
}

QString ActivityMonitor::idleTimeSourceName() const
{
    return m_idleTimeSource ? m_idleTimeSource->name() : QString();
}

void ActivityMonitor::chooseIdleTimeSource()
{
    m_idleTimeSourceChosen = true;
    m_idleTimeSource = m_backends->createIdleTimeSource();
    if (m_idleTimeSource) {
        qCInfo(lcActivityMonitor).noquote()
            << QStringLiteral("Idle time from %1").arg(m_idleTimeSource->name());
    } else {
        qCInfo(lcActivityMonitor) << "No idle time source answers; breaks come by time alone";
    }
}

double ActivityMonitor::secondsSinceLastActivity() const
{
    if (m_isScreenLocked)
        return std::numeric_limits<double>::max();
    if (!m_idleTimeSource)
        return unknownIdleSeconds;

    const std::optional<double> seconds = m_idleTimeSource->idleSeconds();
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0) {
        if (!m_lastReadFailed) {
            qCInfo(lcActivityMonitor).noquote()
                << QStringLiteral("Idle time unavailable from %1; breaks come by time alone")
                       .arg(m_idleTimeSource->name());
        }
        m_lastReadFailed = true;
        return unknownIdleSeconds;
    }
    if (m_lastReadFailed) {
        qCInfo(lcActivityMonitor).noquote()
            << QStringLiteral("Idle time from %1 answers again").arg(m_idleTimeSource->name());
        m_lastReadFailed = false;
    }
    return *seconds;
}

void ActivityMonitor::onLockStateReported(bool locked)
{
    // The flag changes one event-loop turn later. The monitor is the call's context object, so a
    // report still queued when the monitor is destroyed is dropped with it.
    QMetaObject::invokeMethod(
        this, [this, locked] { applyLockState(locked); }, Qt::QueuedConnection);
}

void ActivityMonitor::applyLockState(bool locked)
{
    // Desktops announce one lock on several channels (screen saver, logind); log it once.
    if (locked == m_isScreenLocked)
        return;
    if (locked)
        qCInfo(lcActivityMonitor) << "Screen locked \u2014 treating user as idle";
    else
        qCInfo(lcActivityMonitor) << "Screen unlocked \u2014 resuming activity monitoring";
    m_isScreenLocked = locked;
    emit isScreenLockedChanged();
}
