#pragma once

#include "BreakManager/ActivityMonitorProtocol.h"

#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QObject>
#include <memory>
#include <optional>
#include <vector>

class ActivityBackendFactory;
class IdleTimeSource;
class ScreenLockSource;

Q_DECLARE_LOGGING_CATEGORY(lcActivityMonitor)

// How long the user has been away from keyboard and mouse, and whether the screen is locked.
//
// Main thread only. Keeps no timer and no history: every read asks the idle backend, which the
// first start() chooses (until then idle time reads unknownIdleSeconds). When that backend stops
// answering, or none answered, a read starts one walk of the backends' chain off the main thread
// (at most one at a time; walks that find nothing are spaced out, up to one in maxWalkSpacing
// failed reads) and the first backend that answers takes over. Between start() and stop() the
// lock flag follows the lock sources, changing one event-loop turn after a report; a locked
// screen reads as the largest finite double without asking the backend.
class ActivityMonitor : public QObject, public ActivityMonitorProtocol {
    Q_OBJECT
    Q_PROPERTY(bool isScreenLocked READ isScreenLocked NOTIFY isScreenLockedChanged)

public:
    explicit ActivityMonitor(std::unique_ptr<ActivityBackendFactory> backends,
                             QObject* parent = nullptr);
    ~ActivityMonitor() override;

    // Begins screen-lock observation (a second start() replaces the first one's sources).
    void start() override;
    // Ends screen-lock observation; the flag keeps its last value and idle reads go on working.
    void stop() override;
    bool isObservingScreenLock() const { return m_observing; }
    // Empty while no idle backend has been chosen or none answered.
    QString idleTimeSourceName() const;

    // What an unanswered read gives: the user counts as present, so work and breaks go by time,
    // yet just still enough that a due break is not held back waiting for a pause in input that
    // could never be seen.
    static constexpr double unknownIdleSeconds = activityCooldownSeconds;
    // During a long outage, a walk every this many failed reads: about a minute of ticks.
    static constexpr int maxWalkSpacing = 64;

    double secondsSinceLastActivity() const override;
    bool isScreenLocked() const override { return m_isScreenLocked; }

signals:
    void isScreenLockedChanged();

private:
    void chooseIdleTimeSource();
    // From a read that got no answer: starts a walk unless one runs or the spacing says wait.
    void walkAfterFailedRead() const;
    void onWalkFinished();
    void onLockStateReported(bool locked);
    void applyLockState(bool locked);

    // Shared with a walk still running when the monitor goes.
    std::shared_ptr<ActivityBackendFactory> m_backends;
    std::shared_ptr<IdleTimeSource> m_idleTimeSource;
    bool m_idleTimeSourceChosen = false;
    // Reads are const to the engine; the walk they start is the monitor's own business.
    mutable QFutureWatcher<std::shared_ptr<IdleTimeSource>> m_walk;
    mutable bool m_walkPending = false;
    mutable int m_walkSpacing = 1;
    mutable int m_failedReadsUntilWalk = 0;
    std::vector<std::unique_ptr<ScreenLockSource>> m_lockSources;
    bool m_observing = false;
    bool m_isScreenLocked = false;
    // The last lock report not yet applied; set while its call is queued.
    std::optional<bool> m_reportedLock;
    // So that a backend which stops answering costs one log line, not one per tick.
    mutable bool m_lastReadFailed = false;
};
