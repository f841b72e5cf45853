#include "Monitoring/ActivityMonitor.h"

#include "Platform/ActivityBackendFactory.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

Q_LOGGING_CATEGORY(lcActivityMonitor, "com.ostavel.app.ActivityMonitor")

ActivityMonitor::ActivityMonitor(std::unique_ptr<ActivityBackendFactory> backends, QObject* parent)
    : QObject(parent)
    , m_backends(std::move(backends))
{
    connect(&m_walk, &QFutureWatcherBase::finished, this, &ActivityMonitor::onWalkFinished);
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
    if (!m_idleTimeSourceChosen)
        return unknownIdleSeconds;
    if (!m_idleTimeSource) {
        walkAfterFailedRead();
        return unknownIdleSeconds;
    }

    const std::optional<double> seconds = m_idleTimeSource->idleSeconds();
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0) {
        if (!m_lastReadFailed) {
            qCInfo(lcActivityMonitor).noquote()
                << QStringLiteral("Idle time unavailable from %1; breaks come by time alone")
                       .arg(m_idleTimeSource->name());
        }
        m_lastReadFailed = true;
        walkAfterFailedRead();
        return unknownIdleSeconds;
    }
    if (m_lastReadFailed) {
        qCInfo(lcActivityMonitor).noquote()
            << QStringLiteral("Idle time from %1 answers again").arg(m_idleTimeSource->name());
        m_lastReadFailed = false;
    }
    m_walkSpacing = 1;
    m_failedReadsUntilWalk = 0;
    return *seconds;
}

void ActivityMonitor::walkAfterFailedRead() const
{
    // Until its result is taken on this thread, even when the worker is already done with it.
    if (m_walkPending)
        return;
    if (m_failedReadsUntilWalk > 0) {
        --m_failedReadsUntilWalk;
        return;
    }
    // A walk asks each service in turn and may wait out a timeout on each: never on this thread.
    m_walkPending = true;
    m_walk.setFuture(QtConcurrent::run([backends = m_backends] {
        return std::shared_ptr<IdleTimeSource>(backends->createIdleTimeSource());
    }));
}

void ActivityMonitor::onWalkFinished()
{
    m_walkPending = false;
    std::shared_ptr<IdleTimeSource> found = m_walk.future().result();
    // The old source may have answered again while the walk ran: then it stays.
    if (m_idleTimeSource && !m_lastReadFailed)
        return;
    if (!found) {
        m_failedReadsUntilWalk = m_walkSpacing;
        m_walkSpacing = std::min(2 * m_walkSpacing, maxWalkSpacing);
        return;
    }
    m_walkSpacing = 1;
    m_failedReadsUntilWalk = 0;
    if (!m_idleTimeSource) {
        qCInfo(lcActivityMonitor).noquote()
            << QStringLiteral("Idle time from %1").arg(found->name());
        m_lastReadFailed = false;
    } else if (found->name() != m_idleTimeSource->name()) {
        qCInfo(lcActivityMonitor).noquote() << QStringLiteral("Idle time from %1 in place of %2")
                                                   .arg(found->name(), m_idleTimeSource->name());
        m_lastReadFailed = false;
    }
    // The same service found again keeps its outage open until a read answers, which logs it.
    m_idleTimeSource = std::move(found);
}

void ActivityMonitor::onLockStateReported(bool locked)
{
    // The flag changes one event-loop turn later. Reports arriving before that turn share one
    // queued call and the last one wins, so a flapping source costs at most one call and one log
    // line per turn. The monitor is the call's context object, so a report still queued when the
    // monitor is destroyed is dropped with it.
    const bool callQueued = m_reportedLock.has_value();
    m_reportedLock = locked;
    if (callQueued)
        return;
    QMetaObject::invokeMethod(
        this, [this] { applyLockState(*std::exchange(m_reportedLock, std::nullopt)); },
        Qt::QueuedConnection);
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
