#include "EngineHarness.h"

#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"

#include <QTimeZone>

class CommandsTest : public EngineTest {
protected:
    // Typing until the pre-alert is on, with the cursor alert showing too.
    void reachCursorAlert()
    {
        type();
        workUntil(2095);
        events.clear();
    }
    void reachBreak()
    {
        type();
        workUntil(2098);
        walkAway();
        tickUntil(BreakState::onBreak);
        events.clear();
    }
};

TEST_F(CommandsTest, StartBreakFromThePreAlert)
{
    reachCursorAlert();
    engine().startBreak();
    EXPECT_EQ(engine().state(), BreakState::onBreak);
    EXPECT_EQ(engine().breakTimeRemaining(), 40);
    EXPECT_EQ(events, QStringList({"2095 preAlertEnd", "2095 cursorAlertEnd", "2095 breakStart"}));
    EXPECT_EQ(engine().accumulatedWorkTime(), 2095); // kept until the break completes
    tickUntil(BreakState::idle);
    EXPECT_EQ(engine().completedBreakCount(), 1);
}

TEST_F(CommandsTest, SkipNextBreakDuringThePreAlert)
{
    reachCursorAlert();
    engine().skipBreak();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(events, QStringList({"2095 preAlertEnd", "2095 cursorAlertEnd"}));
    EXPECT_EQ(engine().accumulatedWorkTime(), 0);
    EXPECT_EQ(engine().totalContinuousWorkTime(), 2095);
    EXPECT_EQ(engine().completedBreakCount(), 0);
}

TEST_F(CommandsTest, SkippedLongBreakIsLongAgainNextTime)
{
    configure([](Configuration& c) { c.longBreakIntervalBreaks = 0; });
    reachBreak();
    ASSERT_TRUE(engine().isLongBreak());
    engine().skipBreak();
    EXPECT_EQ(events, QStringList({"2100 breakEnd"}));
    EXPECT_FALSE(engine().isLongBreak());
    EXPECT_TRUE(engine().isNextBreakLong());
    EXPECT_EQ(engine().workTimeSinceLongBreak(), 2100);
}

TEST_F(CommandsTest, SkipPreAlertKeepsTheWholeWorkTime)
{
    reachCursorAlert();
    engine().skipPreAlert();
    EXPECT_EQ(events, QStringList({"2095 preAlertEnd", "2095 cursorAlertEnd"}));
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().totalContinuousWorkTime(), 2095);
    EXPECT_EQ(engine().workTimeSinceLongBreak(), 2095);
}

TEST_F(CommandsTest, SnoozeDuringABreakMakesItDueLater)
{
    reachBreak();
    engine().snooze();
    EXPECT_EQ(events, QStringList({"2100 breakEnd"}));
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_TRUE(engine().isSnoozed());
    EXPECT_EQ(engine().timeUntilBreak(), 60);
    type();
    tick();
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_EQ(engine().preAlertCountdown(), 59);
}

TEST_F(CommandsTest, SnoozesAddUpAndABreakResetsThem)
{
    reachCursorAlert();
    engine().snooze(120.0);
    engine().snooze(); // 60 s by default
    EXPECT_EQ(engine().snoozedTime(), 180);
    EXPECT_EQ(events, QStringList({"2095 preAlertEnd", "2095 cursorAlertEnd"}));
    workUntil(2278);
    walkAway();
    tickUntil(BreakState::onBreak);
    tickUntil(BreakState::idle);
    EXPECT_EQ(engine().snoozedTime(), 0);
    EXPECT_FALSE(engine().isSnoozed());
}

TEST_F(CommandsTest, DismissedPreAlertStaysHiddenButTheBreakComesOnTime)
{
    type();
    workUntil(2080); // 20 s left
    engine().dismissPreAlert();
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_EQ(events, QStringList({"2040 preAlertStart", "2080 preAlertEnd"}));

    // A short absence leaves the pre-alert; re-entering it stays silent.
    walkAway(30);
    tick();
    type();
    tick(2);
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    workUntil(2098);
    walkAway();
    tickUntil(BreakState::onBreak);
    EXPECT_EQ(events, QStringList({"2040 preAlertStart", "2080 preAlertEnd", "2080 preAlertEnd",
                                   "2090 cursorAlertStart", "2100 preAlertEnd", "2100 breakStart",
                                   "2100 cursorAlertEnd"}));
}

TEST_F(CommandsTest, DisableDuringABreakPersistsAndSurvivesANewEngine)
{
    reachBreak();
    const QDateTime until = clock.now().addSecs(3600);
    engine().disable(until);
    EXPECT_EQ(events, QStringList({"2100 breakEnd"}));
    EXPECT_EQ(engine().state(), BreakState::disabled);
    EXPECT_EQ(engine().completedBreakCount(), 0);
    EXPECT_EQ(UserDefaults::value(StoreKeys::disableEndDate).toDateTime(), until);

    clock.advance(60);
    createEngine();
    EXPECT_EQ(engine().state(), BreakState::disabled);
    EXPECT_EQ(engine().disableEndDate(), until);
    type();
    tick();
    EXPECT_EQ(engine().state(), BreakState::disabled);
    clock.set(until.addSecs(-1));
    tick(); // reaches `until`
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::disableEndDate));
    EXPECT_EQ(sessionLog().mid(sessionLog().size() - 2),
              QStringList({"Idle → Disabled", "Disabled → Idle"}));
}

TEST_F(CommandsTest, PastStoredDateIsRemovedAtStart)
{
    UserDefaults::setValue(StoreKeys::disableEndDate, clock.now().addSecs(-1).toUTC());
    createEngine();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::disableEndDate));

    UserDefaults::setValue(StoreKeys::disableEndDate, QStringLiteral("tomorrow"));
    createEngine();
    EXPECT_EQ(engine().state(), BreakState::idle);
}

TEST_F(CommandsTest, EnableForcesIdleWithoutResettingWork)
{
    type();
    workUntil(300);
    engine().enable();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().accumulatedWorkTime(), 300);
}

TEST_F(CommandsTest, RestOfDayEndsAtTheComingMidnight)
{
    const QTimeZone berlin("Europe/Berlin");
    QDateTime now(QDate(2026, 6, 1), QTime(23, 59, 59), berlin);
    EXPECT_EQ(BreakManager::nextMidnight(now), QDateTime(QDate(2026, 6, 2), QTime(0, 0), berlin));
    now = QDateTime(QDate(2026, 6, 2), QTime(0, 0), berlin);
    EXPECT_EQ(BreakManager::nextMidnight(now), QDateTime(QDate(2026, 6, 3), QTime(0, 0), berlin));

    clock.set(QDateTime(QDate(2026, 6, 1), QTime(23, 59, 59)));
    engine().disableForRestOfDay();
    EXPECT_EQ(engine().disableEndDate(), clock.now().addSecs(1));
}

TEST_F(CommandsTest, RestOfDayOverAMissingMidnightTakesTheFirstExistingTime)
{
    // Santiago moved its clocks from 00:00 to 01:00 on 2019-09-08.
    const QTimeZone santiago("America/Santiago");
    ASSERT_TRUE(santiago.isValid());
    const QDateTime evening(QDate(2019, 9, 7), QTime(22, 0), santiago);
    const QDateTime next = BreakManager::nextMidnight(evening);
    ASSERT_TRUE(next.isValid());
    EXPECT_GT(next, evening);
    EXPECT_EQ(next.date(), QDate(2019, 9, 8));
    EXPECT_EQ(next.time(), QTime(1, 0));
    EXPECT_EQ(evening.secsTo(next), 2 * 3600);
}

TEST_F(CommandsTest, WorkDurationChangeDuringThePreAlertDismissesIt)
{
    reachCursorAlert();
    configure([](Configuration& c) { c.workDurationSeconds = 3000; });
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_EQ(events, QStringList({"2095 preAlertEnd", "2095 cursorAlertEnd"}));
    tick(10);
    EXPECT_EQ(engine().state(), BreakState::active);

    // The same value again, or other fields, change nothing.
    events.clear();
    configure([](Configuration& c) { c.breakDurationSeconds = 10; });
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(CommandsTest, WorkDurationShortenedBelowTheWorkDoneStartsTheBreakWithoutPreAlert)
{
    reachCursorAlert();
    configure([](Configuration& c) { c.workDurationSeconds = 1000; });
    walkAway();
    tick(2);
    EXPECT_EQ(engine().state(), BreakState::onBreak);
}

TEST_F(CommandsTest, CommandsLogTheirStateChange)
{
    reachCursorAlert();
    engine().snooze(10.0);
    engine().disable(clock.now().addSecs(60));
    engine().enable();
    EXPECT_EQ(sessionLog(),
              QStringList({"Idle → Working", "Working → Pre-Alert", "Pre-Alert → Working",
                           "Working → Disabled", "Disabled → Idle"}));
}
