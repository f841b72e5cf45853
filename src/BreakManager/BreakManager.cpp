#include "BreakManager/BreakManager.h"

#include "BreakManager/ActivityMonitorProtocol.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "Platform/Clock.h"

#include <QTimeZone>
#include <QTimer>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcBreakManager, "com.ostavel.app.BreakManager")

namespace {
constexpr qint64 distantPastMs = std::numeric_limits<qint64>::min();

QString describeDate(const QDateTime& date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
}
} // namespace

BreakManager::BreakManager(ActivityMonitorProtocol& activityMonitor,
                           ConfigurationManager& configManager,
                           BreakBlockerManagerProtocol* blockerManager, const Clock& clock,
                           QObject* parent)
    : BreakManager(activityMonitor, configManager, blockerManager, clock,
                   SessionLogger::defaultLogFilePath(), parent)
{
}

BreakManager::BreakManager(ActivityMonitorProtocol& activityMonitor,
                           ConfigurationManager& configManager,
                           BreakBlockerManagerProtocol* blockerManager, const Clock& clock,
                           const QString& sessionLogPath, QObject* parent)
    : QObject(parent)
    , m_activityMonitor(activityMonitor)
    , m_configManager(configManager)
    , m_blockerManager(blockerManager)
    , m_clock(clock)
    , m_preAlertHiddenUntilMs(distantPastMs)
    , m_lastWorkDuration(configManager.config().sanitized().workDurationSeconds)
    , m_sessionLogger(clock, sessionLogPath)
{
    restoreDisableEndDate();
    // Only changes of the work duration matter, and only during a pre-alert. The context object
    // disconnects the handler when the engine goes away.
    connect(&m_configManager, &ConfigurationManager::configChanged, this,
            &BreakManager::onConfigChanged);
}

BreakManager::~BreakManager() = default;

template <typename T>
void BreakManager::assign(T& field, const T& value, void (BreakManager::*signal)())
{
    if (field == value)
        return;
    field = value;
    emit(this->*signal)();
}

void BreakManager::fire(const std::function<void()>& callback)
{
    if (callback)
        callback();
}

void BreakManager::restoreDisableEndDate()
{
    const QVariant stored = UserDefaults::value(StoreKeys::disableEndDate);
    if (stored.typeId() != QMetaType::QDateTime)
        return;
    const QDateTime date = stored.toDateTime();
    if (!date.isValid())
        return;
    if (date > m_clock.now()) {
        m_state = BreakState::disabled;
        m_disableEndDate = date.toLocalTime();
    } else {
        UserDefaults::remove(StoreKeys::disableEndDate);
    }
}

void BreakManager::onConfigChanged(const Configuration& config)
{
    const double duration = config.sanitized().workDurationSeconds;
    if (duration == m_lastWorkDuration)
        return;
    m_lastWorkDuration = duration;
    if (m_state == BreakState::preAlert)
        handleWorkDurationChanged();
}

Configuration BreakManager::config() const
{
    // A hand-edited store may hold values no schedule can run on; the engine never sees them.
    return m_configManager.config().sanitized();
}

void BreakManager::start()
{
    stop();
    if (m_blockerManager)
        m_blockerManager->startRefreshing();
    const double interval = config().tickIntervalSeconds;
    qCInfo(lcBreakManager).noquote()
        << QString::asprintf("Starting break manager (tick: %fs)", interval);
    m_timer = new QTimer(this);
    // Coarse (5 % slack) lets the tick share wakeups with other timers; the counters advance
    // by the interval, not by the time that passed.
    m_timer->setTimerType(Qt::CoarseTimer);
    const double ms = std::min(interval * 1000.0, double(std::numeric_limits<int>::max()));
    m_timer->setInterval(std::max(1, int(std::lround(ms))));
    connect(m_timer, &QTimer::timeout, this, &BreakManager::tick);
    m_timer->start();
}

void BreakManager::stop()
{
    if (m_timer) {
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
    if (m_blockerManager)
        m_blockerManager->stopRefreshing();
}

bool BreakManager::isTicking() const
{
    return m_timer && m_timer->isActive();
}

bool BreakManager::isBlocked() const
{
    return m_blockerManager && m_blockerManager->isActive();
}

double BreakManager::remainingWorkTime(const Configuration& config) const
{
    return config.workDurationSeconds + m_snoozedTime - m_accumulatedWorkTime;
}

void BreakManager::tick()
{
    const Configuration config = this->config();
    const double interval = config.tickIntervalSeconds;
    const bool userIsIdle =
        m_activityMonitor.secondsSinceLastActivity() >= config.idleThresholdSeconds;

    switch (m_state) {
    case BreakState::idle:
        if (userIsIdle) {
            m_continuousIdleTime += interval;
            if (m_continuousIdleTime >= config.naturalBreakSeconds)
                resetForNaturalBreak();
        } else {
            setState(BreakState::active);
            m_continuousIdleTime = 0;
            setIsOnNaturalBreak(false);
        }
        break;

    case BreakState::active:
        // While a blocker is active, idleness does not interrupt the work period.
        if (userIsIdle && !isBlocked()) {
            setState(BreakState::idle);
            m_continuousIdleTime = 0;
            break;
        }
        countWork(interval);
        if (const double remaining = remainingWorkTime(config); remaining <= 0) {
            if (isBlocked())
                setIsOvertime(true);
            else if (m_isOvertime)
                gracePreAlert(config);
            else
                startBreakFromTick(false);
        } else if (remaining <= config.preAlertDurationSeconds) {
            if (isBlocked())
                setIsOvertime(true);
            else if (m_isOvertime)
                gracePreAlert(config);
            else
                enterPreAlert(remaining);
        }
        break;

    case BreakState::preAlert:
        if (userIsIdle) {
            // Walking away from a pre-alert earns no break; the absence may become a natural one.
            fire(onPreAlertEnd);
            setState(BreakState::idle);
            setPreAlertCountdown(0);
            m_continuousIdleTime = 0;
            setIsAwaitingActivityCooldown(false);
        } else if (isBlocked()) {
            fire(onPreAlertEnd);
            endCursorAlert();
            setState(BreakState::active);
            setIsOvertime(true);
            setPreAlertCountdown(0);
            setIsAwaitingActivityCooldown(false);
        } else {
            countWork(interval);
            const double remaining = remainingWorkTime(config);
            setPreAlertCountdown(remaining > 0 ? remaining : 0);
            if (remaining <= 0) {
                // Do not pull the screen away mid-keystroke: wait for a short pause.
                if (m_activityMonitor.secondsSinceLastActivity() <
                    ActivityMonitorProtocol::activityCooldownSeconds) {
                    setIsAwaitingActivityCooldown(true);
                    setPreAlertCountdown(0);
                } else {
                    setIsAwaitingActivityCooldown(false);
                    startBreakFromTick(true);
                }
            }
        }
        break;

    case BreakState::onBreak:
        if (m_activityMonitor.isScreenLocked()) {
            completeBreak();
        } else {
            setBreakTimeRemaining(m_breakTimeRemaining - interval);
            if (m_breakTimeRemaining <= 0)
                completeBreak();
        }
        break;

    case BreakState::disabled:
        if (m_disableEndDate.isValid() && m_clock.now() >= m_disableEndDate)
            enable();
        break;
    }

    cursorAlertStep(config, userIsIdle);
    logStateTransitionIfNeeded();
}

void BreakManager::countWork(double seconds)
{
    setAccumulatedWorkTime(m_accumulatedWorkTime + seconds);
    setTotalContinuousWorkTime(m_totalContinuousWorkTime + seconds);
    setWorkTimeSinceLongBreak(m_workTimeSinceLongBreak + seconds);
    m_continuousIdleTime = 0;
}

void BreakManager::resetCycle(CycleReset what)
{
    if (what.workTime)
        setAccumulatedWorkTime(0);
    if (what.continuousWork)
        setTotalContinuousWorkTime(0);
    if (what.countdowns) {
        setBreakTimeRemaining(0);
        setPreAlertCountdown(0);
        m_continuousIdleTime = 0;
    }
    if (what.workTime) {
        setSnoozedTime(0);
        setIsSnoozed(false);
    }
    setIsOvertime(false);
    if (what.countdowns)
        setIsAwaitingActivityCooldown(false);
    setIsLongBreak(false);
}

void BreakManager::resetForNaturalBreak()
{
    // Long idleness counts as a long break taken; the idle count goes on.
    resetCycle({.continuousWork = true, .countdowns = false});
    setIsOnNaturalBreak(true);
    setCompletedBreakCount(0);
    setWorkTimeSinceLongBreak(0);
}

void BreakManager::enterPreAlert(double countdown)
{
    setState(BreakState::preAlert);
    setPreAlertCountdown(countdown);
    if (m_clock.now().toMSecsSinceEpoch() >= m_preAlertHiddenUntilMs)
        fire(onPreAlertStart);
}

void BreakManager::gracePreAlert(const Configuration& config)
{
    // After a meeting or a full-screen session the user always gets a full pre-alert: raise the
    // snoozed time so that the remaining work time is exactly the pre-alert length.
    setSnoozedTime(m_snoozedTime + m_accumulatedWorkTime -
                   (config.workDurationSeconds + m_snoozedTime - config.preAlertDurationSeconds));
    setIsOvertime(false);
    m_continuousIdleTime = 0;
    enterPreAlert(config.preAlertDurationSeconds);
}

void BreakManager::startBreakFromTick(bool fromPreAlert)
{
    if (fromPreAlert)
        setIsAwaitingActivityCooldown(false);
    fire(onPreAlertEnd);
    setIsLongBreak(isNextBreakLong());
    setState(BreakState::onBreak);
    setBreakTimeRemaining(currentBreakDuration());
    setPreAlertCountdown(0);
    fire(onBreakStart);
}

void BreakManager::completeBreak()
{
    setBreakTimeRemaining(0);
    if (m_isLongBreak) {
        setCompletedBreakCount(0);
        setWorkTimeSinceLongBreak(0);
    } else {
        setCompletedBreakCount(m_completedBreakCount + 1);
    }
    setIsLongBreak(false);
    fire(onBreakEnd);
    setState(BreakState::idle);
    resetCycle({.continuousWork = true});
}

void BreakManager::cursorAlertStep(const Configuration& config, bool userIsIdle)
{
    const double remaining = remainingWorkTime(config);
    const double duration = config.cursorAlertDurationSeconds;
    const bool wanted = duration > 0 &&
                        (m_state == BreakState::active || m_state == BreakState::preAlert) &&
                        !userIsIdle && !m_isOvertime && duration >= remaining &&
                        (remaining > 0 || m_isAwaitingActivityCooldown);
    if (wanted) {
        setCursorAlertCountdown(remaining);
        if (!m_isCursorAlertActive) {
            m_isCursorAlertActive = true;
            fire(onCursorAlertStart);
        }
    } else {
        endCursorAlert();
    }
}

void BreakManager::endCursorAlert()
{
    if (!m_isCursorAlertActive)
        return;
    m_isCursorAlertActive = false;
    setCursorAlertCountdown(0);
    fire(onCursorAlertEnd);
}

double BreakManager::timeUntilBreak() const
{
    const double remaining = remainingWorkTime(config());
    return remaining > 0 ? remaining : 0;
}

bool BreakManager::isNextBreakLong() const
{
    const Configuration config = this->config();
    return config.longBreakEnabled && m_completedBreakCount >= config.longBreakIntervalBreaks;
}

double BreakManager::currentBreakDuration() const
{
    const Configuration config = this->config();
    return isNextBreakLong() ? config.longBreakDurationSeconds : config.breakDurationSeconds;
}

QString BreakManager::effectiveStateName() const
{
    switch (m_state) {
    case BreakState::idle:
        return QStringLiteral("Idle");
    case BreakState::active:
        return m_isOvertime ? QStringLiteral("Break Blocked") : QStringLiteral("Working");
    case BreakState::preAlert:
        return QStringLiteral("Pre-Alert");
    case BreakState::onBreak:
        return m_isLongBreak ? QStringLiteral("Long Break") : QStringLiteral("On Break");
    case BreakState::disabled:
        return QStringLiteral("Disabled");
    }
    return {};
}

void BreakManager::logStateTransitionIfNeeded()
{
    const QString name = effectiveStateName();
    if (name == m_previousEffectiveState)
        return;
    QString message = m_previousEffectiveState + QStringLiteral(" \u2192 ") + name;
    if (name == QLatin1String("Break Blocked") && m_blockerManager) {
        const QStringList names = m_blockerManager->activeBlockerNames();
        if (!names.isEmpty())
            message += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    m_sessionLogger.log(message);
    qCInfo(lcBreakManager).noquote() << message;
    m_previousEffectiveState = name;
}

// Commands.

void BreakManager::startBreak()
{
    qCInfo(lcBreakManager) << "Manual break start";
    if (m_state == BreakState::preAlert)
        fire(onPreAlertEnd);
    endCursorAlert();
    setIsLongBreak(isNextBreakLong());
    setState(BreakState::onBreak);
    setBreakTimeRemaining(currentBreakDuration());
    setPreAlertCountdown(0);
    m_continuousIdleTime = 0;
    setIsOvertime(false);
    setIsAwaitingActivityCooldown(false);
    fire(onBreakStart);
    logStateTransitionIfNeeded();
}

void BreakManager::skipBreak()
{
    qCInfo(lcBreakManager) << "Skip break";
    if (m_state == BreakState::onBreak)
        fire(onBreakEnd);
    if (m_state == BreakState::preAlert)
        fire(onPreAlertEnd);
    endCursorAlert();
    setState(BreakState::idle);
    resetCycle({});
    logStateTransitionIfNeeded();
}

void BreakManager::skipPreAlert()
{
    qCInfo(lcBreakManager) << "Skip pre-alert";
    fire(onPreAlertEnd);
    endCursorAlert();
    setState(BreakState::idle);
    resetCycle({});
    logStateTransitionIfNeeded();
}

void BreakManager::snooze(std::optional<double> duration)
{
    const double seconds = duration.value_or(config().snoozeDurationSeconds);
    qCInfo(lcBreakManager).noquote() << QString::asprintf("Snooze for %fs", seconds);
    if (m_state == BreakState::preAlert)
        fire(onPreAlertEnd);
    if (m_state == BreakState::onBreak)
        fire(onBreakEnd);
    endCursorAlert();
    setSnoozedTime(m_snoozedTime + seconds);
    setState(BreakState::active);
    setIsSnoozed(true);
    resetCycle({.workTime = false});
    logStateTransitionIfNeeded();
}

void BreakManager::dismissPreAlert()
{
    qCInfo(lcBreakManager) << "Dismiss pre-alert";
    m_preAlertHiddenUntilMs =
        m_clock.now().toMSecsSinceEpoch() + qint64(std::llround(timeUntilBreak() * 1000.0)) + 5000;
    fire(onPreAlertEnd);
}

void BreakManager::disable(const QDateTime& until)
{
    qCInfo(lcBreakManager).noquote() << QStringLiteral("Disable until %1").arg(describeDate(until));
    if (m_state == BreakState::onBreak)
        fire(onBreakEnd);
    if (m_state == BreakState::preAlert)
        fire(onPreAlertEnd);
    endCursorAlert();
    setState(BreakState::disabled);
    setDisableEndDate(until);
    resetCycle({.continuousWork = true});
    setIsOnNaturalBreak(false);
    m_preAlertHiddenUntilMs = distantPastMs;
    UserDefaults::setValue(StoreKeys::disableEndDate, until.toUTC());
    logStateTransitionIfNeeded();
}

QDateTime BreakManager::nextMidnight(const QDateTime& now)
{
    // startOfDay() skips a midnight that a daylight-saving change removes and takes the first
    // existing moment of that day instead; a repeated midnight yields its first occurrence.
    for (int days = 1; days <= 3; ++days) {
        const QDate date = now.date().addDays(days);
        const QDateTime start =
            now.timeSpec() == Qt::TimeZone
                ? date.startOfDay(now.timeZone())
                : date.startOfDay(now.timeSpec(),
                                  now.timeSpec() == Qt::OffsetFromUTC ? now.offsetFromUtc() : 0);
        if (start.isValid() && start > now)
            return start;
    }
    return now.addSecs(24 * 60 * 60);
}

void BreakManager::disableForRestOfDay()
{
    disable(nextMidnight(m_clock.now()));
}

void BreakManager::enable()
{
    qCInfo(lcBreakManager) << "Re-enable";
    setState(BreakState::idle);
    setDisableEndDate(QDateTime());
    UserDefaults::remove(StoreKeys::disableEndDate);
    logStateTransitionIfNeeded();
}

void BreakManager::handleWorkDurationChanged()
{
    qCInfo(lcBreakManager) << "Work duration changed while in preAlert \u2014 dismissing";
    fire(onPreAlertEnd);
    endCursorAlert();
    setState(BreakState::active);
    setPreAlertCountdown(0);
    setIsAwaitingActivityCooldown(false);
    logStateTransitionIfNeeded();
}
