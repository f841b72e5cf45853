#pragma once

#include "BreakManager/BreakState.h"
#include "Logging/SessionLogger.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class ActivityMonitorProtocol;
class BreakBlockerManagerProtocol;
class Clock;
class ConfigurationManager;
struct Configuration;
class QTimer;

Q_DECLARE_LOGGING_CATEGORY(lcBreakManager)

// The break engine: times work, warns before a break, runs the break, counts breaks towards the
// long one, treats long idleness as a natural break, holds due breaks back while a blocker is
// active, and can be disabled until a date.
//
// Main thread only. A QTimer calls tick() every tickIntervalSeconds while started; tests call
// tick() directly. Counters advance by the tick interval per tick, never by wall-clock time; the
// clock is used only for dates (disabling, the hidden pre-alert, the session log).
//
// Callbacks are optional and fire synchronously, after the values they concern are set.
class BreakManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(BreakState state READ state NOTIFY stateChanged)
    Q_PROPERTY(
        double accumulatedWorkTime READ accumulatedWorkTime NOTIFY accumulatedWorkTimeChanged)
    Q_PROPERTY(double totalContinuousWorkTime READ totalContinuousWorkTime NOTIFY
                   totalContinuousWorkTimeChanged)
    Q_PROPERTY(double breakTimeRemaining READ breakTimeRemaining NOTIFY breakTimeRemainingChanged)
    Q_PROPERTY(double preAlertCountdown READ preAlertCountdown NOTIFY preAlertCountdownChanged)
    Q_PROPERTY(
        double cursorAlertCountdown READ cursorAlertCountdown NOTIFY cursorAlertCountdownChanged)
    Q_PROPERTY(bool isSnoozed READ isSnoozed NOTIFY isSnoozedChanged)
    Q_PROPERTY(bool isOnNaturalBreak READ isOnNaturalBreak NOTIFY isOnNaturalBreakChanged)
    Q_PROPERTY(bool isOvertime READ isOvertime NOTIFY isOvertimeChanged)
    Q_PROPERTY(bool isAwaitingActivityCooldown READ isAwaitingActivityCooldown NOTIFY
                   isAwaitingActivityCooldownChanged)
    Q_PROPERTY(
        qint64 completedBreakCount READ completedBreakCount NOTIFY completedBreakCountChanged)
    Q_PROPERTY(bool isLongBreak READ isLongBreak NOTIFY isLongBreakChanged)
    Q_PROPERTY(double workTimeSinceLongBreak READ workTimeSinceLongBreak NOTIFY
                   workTimeSinceLongBreakChanged)
    Q_PROPERTY(QDateTime disableEndDate READ disableEndDate NOTIFY disableEndDateChanged)
    Q_PROPERTY(double snoozedTime READ snoozedTime NOTIFY snoozedTimeChanged)

public:
    // The blocker manager may be null: then nothing ever blocks. All three must outlive the
    // engine.
    BreakManager(ActivityMonitorProtocol& activityMonitor, ConfigurationManager& configManager,
                 BreakBlockerManagerProtocol* blockerManager, const Clock& clock,
                 QObject* parent = nullptr);
    // For tests: the session log goes to `sessionLogPath`.
    BreakManager(ActivityMonitorProtocol& activityMonitor, ConfigurationManager& configManager,
                 BreakBlockerManagerProtocol* blockerManager, const Clock& clock,
                 const QString& sessionLogPath, QObject* parent = nullptr);
    ~BreakManager() override;

    std::function<void()> onPreAlertStart;
    std::function<void()> onPreAlertEnd;
    std::function<void()> onBreakStart;
    std::function<void()> onBreakEnd;
    std::function<void()> onCursorAlertStart;
    std::function<void()> onCursorAlertEnd;

    // Starts (or restarts) the tick timer and the blocker refresh.
    void start();
    void stop();
    bool isTicking() const;
    // One tick. Public so that tests can drive the engine without the timer.
    void tick();

    // Commands.
    void startBreak();
    void skipBreak();
    void skipPreAlert();
    void snooze(std::optional<double> duration = std::nullopt);
    void dismissPreAlert();
    void disable(const QDateTime& until);
    void disableForRestOfDay();
    void enable();

    BreakState state() const { return m_state; }
    double accumulatedWorkTime() const { return m_accumulatedWorkTime; }
    double totalContinuousWorkTime() const { return m_totalContinuousWorkTime; }
    double breakTimeRemaining() const { return m_breakTimeRemaining; }
    double preAlertCountdown() const { return m_preAlertCountdown; }
    double cursorAlertCountdown() const { return m_cursorAlertCountdown; }
    bool isSnoozed() const { return m_isSnoozed; }
    bool isOnNaturalBreak() const { return m_isOnNaturalBreak; }
    bool isOvertime() const { return m_isOvertime; }
    bool isAwaitingActivityCooldown() const { return m_isAwaitingActivityCooldown; }
    qint64 completedBreakCount() const { return m_completedBreakCount; }
    bool isLongBreak() const { return m_isLongBreak; }
    double workTimeSinceLongBreak() const { return m_workTimeSinceLongBreak; }
    // Invalid while not disabled.
    QDateTime disableEndDate() const { return m_disableEndDate; }
    double snoozedTime() const { return m_snoozedTime; }
    // The settings the engine reads on every tick; views read the snooze length from it.
    ConfigurationManager& configManager() const { return m_configManager; }

    double timeUntilBreak() const;
    bool isNextBreakLong() const;
    double currentBreakDuration() const;
    // The name shown for the current state ("Working", "Break Blocked", ...).
    QString effectiveStateName() const;

    // The coming local midnight after `now`, or the first existing time of that day.
    static QDateTime nextMidnight(const QDateTime& now);

signals:
    void stateChanged();
    void accumulatedWorkTimeChanged();
    void totalContinuousWorkTimeChanged();
    void breakTimeRemainingChanged();
    void preAlertCountdownChanged();
    void cursorAlertCountdownChanged();
    void isSnoozedChanged();
    void isOnNaturalBreakChanged();
    void isOvertimeChanged();
    void isAwaitingActivityCooldownChanged();
    void completedBreakCountChanged();
    void isLongBreakChanged();
    void workTimeSinceLongBreakChanged();
    void disableEndDateChanged();
    void snoozedTimeChanged();

private:
    // Every use of the settings goes through here: the stored record with its nonsense values
    // read as defaults.
    Configuration config() const;
    template <typename T> void assign(T& field, const T& value, void (BreakManager::*signal)());
    void setState(BreakState value) { assign(m_state, value, &BreakManager::stateChanged); }
    void setAccumulatedWorkTime(double v)
    {
        assign(m_accumulatedWorkTime, v, &BreakManager::accumulatedWorkTimeChanged);
    }
    void setTotalContinuousWorkTime(double v)
    {
        assign(m_totalContinuousWorkTime, v, &BreakManager::totalContinuousWorkTimeChanged);
    }
    void setBreakTimeRemaining(double v)
    {
        assign(m_breakTimeRemaining, v, &BreakManager::breakTimeRemainingChanged);
    }
    void setPreAlertCountdown(double v)
    {
        assign(m_preAlertCountdown, v, &BreakManager::preAlertCountdownChanged);
    }
    void setCursorAlertCountdown(double v)
    {
        assign(m_cursorAlertCountdown, v, &BreakManager::cursorAlertCountdownChanged);
    }
    void setIsSnoozed(bool v) { assign(m_isSnoozed, v, &BreakManager::isSnoozedChanged); }
    void setIsOnNaturalBreak(bool v)
    {
        assign(m_isOnNaturalBreak, v, &BreakManager::isOnNaturalBreakChanged);
    }
    void setIsOvertime(bool v) { assign(m_isOvertime, v, &BreakManager::isOvertimeChanged); }
    void setIsAwaitingActivityCooldown(bool v)
    {
        assign(m_isAwaitingActivityCooldown, v, &BreakManager::isAwaitingActivityCooldownChanged);
    }
    void setCompletedBreakCount(qint64 v)
    {
        assign(m_completedBreakCount, v, &BreakManager::completedBreakCountChanged);
    }
    void setIsLongBreak(bool v) { assign(m_isLongBreak, v, &BreakManager::isLongBreakChanged); }
    void setWorkTimeSinceLongBreak(double v)
    {
        assign(m_workTimeSinceLongBreak, v, &BreakManager::workTimeSinceLongBreakChanged);
    }
    void setDisableEndDate(const QDateTime& v)
    {
        assign(m_disableEndDate, v, &BreakManager::disableEndDateChanged);
    }
    void setSnoozedTime(double v) { assign(m_snoozedTime, v, &BreakManager::snoozedTimeChanged); }

    static void fire(const std::function<void()>& callback);
    bool isBlocked() const;
    double remainingWorkTime(const Configuration& config) const;
    void restoreDisableEndDate();
    void onConfigChanged(const Configuration& config);

    // What a command clears when it leaves the current stretch of work; overtime and the long
    // break always go.
    struct CycleReset {
        // The work counted toward the next break, the snoozed time and the snooze.
        bool workTime = true;
        // The work since the last real break (skips and snoozes keep it).
        bool continuousWork = false;
        // The break and pre-alert countdowns, the idle count and the activity cooldown.
        bool countdowns = true;
    };
    // The shared sequence of the commands, in one order of notifications; a field already at its
    // reset value emits nothing.
    void resetCycle(CycleReset what);
    void countWork(double seconds);
    void resetForNaturalBreak();
    void enterPreAlert(double countdown);
    void gracePreAlert(const Configuration& config);
    void startBreakFromTick(bool fromPreAlert);
    void completeBreak();
    void cursorAlertStep(const Configuration& config, bool userIsIdle);
    void endCursorAlert();
    void handleWorkDurationChanged();
    void logStateTransitionIfNeeded();

    ActivityMonitorProtocol& m_activityMonitor;
    ConfigurationManager& m_configManager;
    BreakBlockerManagerProtocol* m_blockerManager;
    const Clock& m_clock;

    BreakState m_state = BreakState::idle;
    double m_accumulatedWorkTime = 0;
    double m_totalContinuousWorkTime = 0;
    double m_breakTimeRemaining = 0;
    double m_preAlertCountdown = 0;
    double m_cursorAlertCountdown = 0;
    bool m_isSnoozed = false;
    bool m_isOnNaturalBreak = false;
    bool m_isOvertime = false;
    bool m_isAwaitingActivityCooldown = false;
    qint64 m_completedBreakCount = 0;
    bool m_isLongBreak = false;
    double m_workTimeSinceLongBreak = 0;
    QDateTime m_disableEndDate;
    double m_snoozedTime = 0;

    QTimer* m_timer = nullptr;
    double m_continuousIdleTime = 0;
    bool m_isCursorAlertActive = false;
    // Epoch milliseconds; until then entering the pre-alert stays silent.
    qint64 m_preAlertHiddenUntilMs;
    double m_lastWorkDuration;
    SessionLogger m_sessionLogger;
    QString m_previousEffectiveState = QStringLiteral("Idle");
};
