#include "EngineHarness.h"

#include <QSignalSpy>
#include <QTimer>
#include <cmath>
#include <limits>

using TimelineTest = EngineTest;

TEST_F(TimelineTest, DefaultCycleWithContinuousTypingWaitsForAPause)
{
    type();
    tick();
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_EQ(engine().accumulatedWorkTime(), 0); // the tick that notices input counts nothing

    workUntil(2040);
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_EQ(engine().preAlertCountdown(), 60);
    workUntil(2090);
    EXPECT_EQ(engine().cursorAlertCountdown(), 10);

    // Typing straight through the due moment: the break waits, the cursor counts below zero.
    workUntil(2102);
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_TRUE(engine().isAwaitingActivityCooldown());
    EXPECT_EQ(engine().preAlertCountdown(), 0);
    EXPECT_EQ(engine().cursorAlertCountdown(), -2);

    activity.idleSeconds = 1; // grows to 2 in the next tick
    tick();
    EXPECT_EQ(engine().state(), BreakState::onBreak);
    EXPECT_FALSE(engine().isAwaitingActivityCooldown());
    EXPECT_EQ(events, QStringList({"2040 preAlertStart", "2090 cursorAlertStart",
                                   "2103 preAlertEnd", "2103 breakStart", "2103 cursorAlertEnd"}));
}

TEST_F(TimelineTest, BreakRunsItsLengthThenReturnsToIdle)
{
    type();
    workUntil(2098);
    walkAway(); // idle 2 s exactly when the break is due
    tick(2);
    ASSERT_EQ(engine().state(), BreakState::onBreak);
    EXPECT_EQ(engine().breakTimeRemaining(), 40);
    EXPECT_FALSE(engine().isLongBreak());
    events.clear();

    tick(39);
    EXPECT_EQ(engine().breakTimeRemaining(), 1);
    tick();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().completedBreakCount(), 1);
    EXPECT_EQ(engine().accumulatedWorkTime(), 0);
    EXPECT_EQ(engine().totalContinuousWorkTime(), 0);
    EXPECT_EQ(engine().workTimeSinceLongBreak(), 2100);
    EXPECT_EQ(events, QStringList({"2100 breakEnd"}));
}

TEST_F(TimelineTest, NormalNormalLongCycle)
{
    QStringList lengths;
    for (int cycle = 0; cycle < 4; ++cycle) {
        type();
        workUntil(2098);
        walkAway(); // the break starts once input has paused, long before the user counts as idle
        tickUntil(BreakState::onBreak);
        lengths << QStringLiteral("%1%2")
                       .arg(engine().breakTimeRemaining())
                       .arg(engine().isLongBreak() ? "L" : "");
        tickUntil(BreakState::idle);
    }
    EXPECT_EQ(lengths, QStringList({"40", "40", "120L", "40"}));
    EXPECT_EQ(engine().completedBreakCount(), 1);
    EXPECT_EQ(engine().workTimeSinceLongBreak(), 2100);
}

TEST_F(TimelineTest, LongBreaksOffNeverMakeABreakLong)
{
    configure([](Configuration& c) {
        c.longBreakEnabled = false;
        c.workDurationSeconds = 100;
    });
    for (int cycle = 0; cycle < 4; ++cycle) {
        type();
        workUntil(98);
        walkAway();
        tickUntil(BreakState::onBreak);
        EXPECT_FALSE(engine().isLongBreak());
        tickUntil(BreakState::idle);
    }
    EXPECT_EQ(engine().completedBreakCount(), 4);
}

TEST_F(TimelineTest, NaturalBreakResetsTheCycleAndTheLongBreakCount)
{
    type();
    workUntil(500);
    engine().snooze(30.0);
    walkAway(30);
    tick();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().accumulatedWorkTime(), 500);

    tick(89);
    EXPECT_FALSE(engine().isOnNaturalBreak());
    tick();
    EXPECT_TRUE(engine().isOnNaturalBreak());
    EXPECT_EQ(engine().accumulatedWorkTime(), 0);
    EXPECT_EQ(engine().snoozedTime(), 0);
    EXPECT_FALSE(engine().isSnoozed());

    type();
    tick();
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_FALSE(engine().isOnNaturalBreak());
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(TimelineTest, IdlingAfterABreakCountsAsANaturalBreak)
{
    type();
    workUntil(2098);
    walkAway();
    tickUntil(BreakState::onBreak);
    tickUntil(BreakState::idle);
    ASSERT_EQ(engine().completedBreakCount(), 1);
    tick(90);
    EXPECT_TRUE(engine().isOnNaturalBreak());
    EXPECT_EQ(engine().completedBreakCount(), 0);
}

TEST_F(TimelineTest, WalkingAwayFromThePreAlertGivesNoBreakAndReentersLater)
{
    type();
    workUntil(2050);
    walkAway(30);
    tick();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().preAlertCountdown(), 0);
    type();
    tick(2); // back to active, then one counted second re-enters the pre-alert
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_EQ(engine().accumulatedWorkTime(), 2051);
    EXPECT_EQ(events,
              QStringList({"2040 preAlertStart", "2050 preAlertEnd", "2051 preAlertStart"}));
}

TEST_F(TimelineTest, BlockerHoldsTheBreakBackThenGrantsAFullPreAlert)
{
    type();
    workUntil(2000);
    blockers.block({QStringLiteral("Firefox"), QStringLiteral("Meeting")});
    workUntil(2040);
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_TRUE(engine().isOvertime());

    walkAway(100); // idleness does not stop the count while blocked
    tick(200);
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_EQ(engine().accumulatedWorkTime(), 2240);

    type();
    blockers.clear();
    tick();
    EXPECT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_FALSE(engine().isOvertime());
    EXPECT_EQ(engine().preAlertCountdown(), 60);
    EXPECT_EQ(engine().timeUntilBreak(), 60);
    EXPECT_EQ(engine().snoozedTime(), 2241 - 2040);

    tick(59);
    EXPECT_EQ(engine().cursorAlertCountdown(), 1);
    walkAway(2);
    tick();
    EXPECT_EQ(engine().state(), BreakState::onBreak);
    EXPECT_EQ(events, QStringList({"2241 preAlertStart", "2291 cursorAlertStart",
                                   "2301 preAlertEnd", "2301 breakStart", "2301 cursorAlertEnd"}));
    EXPECT_EQ(sessionLog(),
              QStringList({"Idle → Working", "Working → Break Blocked (Firefox, Meeting)",
                           "Break Blocked → Pre-Alert", "Pre-Alert → On Break"}));
}

TEST_F(TimelineTest, BlockerDuringThePreAlertEndsItAndTheCursorAlert)
{
    type();
    workUntil(2095);
    blockers.block();
    tick();
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_TRUE(engine().isOvertime());
    EXPECT_EQ(engine().cursorAlertCountdown(), 0);
    EXPECT_EQ(events, QStringList({"2040 preAlertStart", "2090 cursorAlertStart",
                                   "2095 preAlertEnd", "2095 cursorAlertEnd"}));
}

TEST_F(TimelineTest, NoBlockerManagerNeverBlocks)
{
    engine(false);
    type();
    tickUntil(BreakState::preAlert);
    EXPECT_FALSE(engine().isOvertime());
}

TEST_F(TimelineTest, ZeroPreAlertStartsTheBreakStraightFromWork)
{
    configure([](Configuration& c) {
        c.preAlertDurationSeconds = 0;
        c.cursorAlertDurationSeconds = 0;
        c.workDurationSeconds = 50;
    });
    type();
    tickUntil(BreakState::onBreak);
    EXPECT_EQ(events, QStringList({"50 preAlertEnd", "50 breakStart"}));
}

TEST_F(TimelineTest, CursorAlertLongerThanThePreAlertShowsDuringWork)
{
    configure([](Configuration& c) {
        c.preAlertDurationSeconds = 5;
        c.cursorAlertDurationSeconds = 20;
        c.workDurationSeconds = 100;
    });
    type();
    workUntil(80);
    EXPECT_EQ(engine().state(), BreakState::active);
    EXPECT_EQ(events, QStringList({"80 cursorAlertStart"}));

    walkAway(30); // going idle ends it
    tick();
    EXPECT_EQ(events.last(), "80 cursorAlertEnd");
}

TEST_F(TimelineTest, LockedScreenCompletesTheBreakAtOnce)
{
    type();
    workUntil(2098);
    walkAway();
    tickUntil(BreakState::onBreak);
    activity.locked = true;
    tick();
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().completedBreakCount(), 1);
}

TEST_F(TimelineTest, TickLengthFollowsTheConfiguration)
{
    configure([](Configuration& c) { c.tickIntervalSeconds = 2.5; });
    type();
    tick(3);
    EXPECT_EQ(engine().accumulatedWorkTime(), 5);
}

TEST_F(TimelineTest, BrokenTickIntervalNeverRunsTheCountersBackwards)
{
    for (double bad : {0.0, -3.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        Configuration c;
        c.tickIntervalSeconds = bad;
        EXPECT_EQ(c.sanitized().tickIntervalSeconds, 1.0) << bad;
    }
    configure([](Configuration& c) { c.tickIntervalSeconds = -5; });
    type();
    tick(3);
    EXPECT_EQ(engine().accumulatedWorkTime(), 2);

    engine().start();
    EXPECT_TRUE(engine().isTicking());
    engine().stop();
}

TEST_F(TimelineTest, NonsenseDurationsAndTickRunOnTheDefaultsAndStayStored)
{
    const double inf = std::numeric_limits<double>::infinity();
    configure([inf](Configuration& c) {
        c.workDurationSeconds = -5;
        c.breakDurationSeconds = 1e308;
        c.snoozeDurationSeconds = -10;
        c.preAlertDurationSeconds = std::nan("");
        c.cursorAlertDurationSeconds = inf;
        c.naturalBreakSeconds = -inf;
        c.tickIntervalSeconds = 1e-9;
    });
    type();
    workUntil(2098);
    walkAway();
    tickUntil(BreakState::onBreak);
    EXPECT_EQ(engine().breakTimeRemaining(), 40);
    tickUntil(BreakState::idle, 40);
    engine().snooze();
    EXPECT_EQ(engine().snoozedTime(), 60);
    EXPECT_EQ(events,
              QStringList({"2040 preAlertStart", "2090 cursorAlertStart", "2100 preAlertEnd",
                           "2100 breakStart", "2100 cursorAlertEnd", "2100 breakEnd"}));
    EXPECT_EQ(configManager().config().workDurationSeconds, -5);
    EXPECT_EQ(configManager().config().tickIntervalSeconds, 1e-9);

    engine().start();
    QList<int> intervals;
    for (QTimer* timer : engine().findChildren<QTimer*>()) {
        if (timer->isActive())
            intervals << timer->interval();
    }
    EXPECT_EQ(intervals, QList<int>({1000}));
    engine().stop();
}

TEST_F(TimelineTest, StartTwiceLeavesOneLoop)
{
    engine().start();
    engine().start();
    EXPECT_TRUE(engine().isTicking());
    EXPECT_EQ(blockers.starts, 2);
    EXPECT_EQ(blockers.stops, 2); // each start stops first
    EXPECT_TRUE(blockers.refreshing);
    int activeTimers = 0;
    for (QTimer* timer : engine().findChildren<QTimer*>())
        activeTimers += timer->isActive() ? 1 : 0;
    EXPECT_EQ(activeTimers, 1);
    engine().stop();
    EXPECT_FALSE(engine().isTicking());
    EXPECT_FALSE(blockers.refreshing);
}

TEST_F(TimelineTest, RealTimerTicks)
{
    configure([](Configuration& c) { c.tickIntervalSeconds = 0.1; });
    type();
    engine().start();
    QSignalSpy spy(&engine(), &BreakManager::accumulatedWorkTimeChanged);
    EXPECT_TRUE(spy.wait(2000));
    engine().stop();
}

TEST_F(TimelineTest, PublishedValuesAnnounceOnlyRealChanges)
{
    type();
    QSignalSpy state(&engine(), &BreakManager::stateChanged);
    QSignalSpy work(&engine(), &BreakManager::accumulatedWorkTimeChanged);
    tick(5);
    EXPECT_EQ(state.count(), 1);
    EXPECT_EQ(work.count(), 4);
}

TEST_F(TimelineTest, EightHourDayOfTicksStaysConsistent)
{
    // Alternating spells of typing and absences; whatever happens, counters stay sane.
    int breaks = 0;
    engine().onBreakStart = [&] { ++breaks; };
    for (int second = 0; second < 8 * 3600; ++second) {
        if (second % 3000 == 2500)
            walkAway(1);
        if (second % 3000 == 0)
            type();
        tick();
        ASSERT_GE(engine().accumulatedWorkTime(), 0);
        ASSERT_GE(engine().preAlertCountdown(), 0);
    }
    EXPECT_GT(breaks, 5);
}
