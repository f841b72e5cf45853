#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityBackendFactory.h"
#include "FakeClock.h"
#include "LogCapture.h"
#include "Monitoring/ActivityMonitor.h"
#include "UserDefaultsReset.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <limits>

namespace {
constexpr double lockedSeconds = std::numeric_limits<double>::max();

constexpr const char* monitorCategory = "com.ostavel.app.ActivityMonitor";

class ActivityMonitorTest : public ::testing::Test {
protected:
    ActivityMonitorTest()
    {
        auto factory = std::make_unique<FakeActivityBackendFactory>();
        backends = factory.get();
        monitor = std::make_unique<ActivityMonitor>(std::move(factory));
    }

    // One event-loop turn.
    static void turn() { QCoreApplication::processEvents(); }

    FakeActivityBackendFactory* backends;
    std::unique_ptr<ActivityMonitor> monitor;
};
} // namespace

TEST_F(ActivityMonitorTest, ChoosesTheIdleBackendOnceAtStartAndReadsItEveryTime)
{
    backends->idleSource->seconds = 12.5;
    EXPECT_EQ(monitor->secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    EXPECT_EQ(backends->idleSourceRequests, 0);

    monitor->start();
    EXPECT_EQ(monitor->secondsSinceLastActivity(), 12.5);
    backends->idleSource->seconds = 0.25;
    EXPECT_EQ(monitor->secondsSinceLastActivity(), 0.25);
    EXPECT_EQ(backends->idleSource->reads, 2);
    EXPECT_EQ(monitor->idleTimeSourceName(), QStringLiteral("fake idle counter"));

    monitor->stop();
    monitor->start();
    EXPECT_EQ(backends->idleSourceRequests, 1);
    EXPECT_EQ(backends->lockSourceRequests, 2);
    EXPECT_EQ(monitor->secondsSinceLastActivity(), 0.25);
}

TEST_F(ActivityMonitorTest, WithoutAnAnsweringBackendBreaksComeByTime)
{
    backends->idleSourceAnswers = false;
    LogCapture log(monitorCategory);
    monitor->start();
    EXPECT_EQ(monitor->secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    EXPECT_TRUE(monitor->idleTimeSourceName().isEmpty());
    EXPECT_EQ(log.lines(), (QStringList{"No idle time source answers; breaks come by time alone",
                                        "Activity monitor started (HID idle counters)"}));
}

TEST_F(ActivityMonitorTest, ABackendThatStopsAnsweringIsLoggedOncePerOutage)
{
    monitor->start();
    LogCapture log(monitorCategory);
    backends->idleSource->seconds = std::nullopt;
    EXPECT_EQ(monitor->secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    EXPECT_EQ(monitor->secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    backends->idleSource->seconds = -3.0;
    EXPECT_EQ(monitor->secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    backends->idleSource->seconds = 7.0;
    EXPECT_EQ(monitor->secondsSinceLastActivity(), 7.0);
    EXPECT_EQ(
        log.lines(),
        (QStringList{"Idle time unavailable from fake idle counter; breaks come by time alone",
                     "Idle time from fake idle counter answers again"}));
}

TEST_F(ActivityMonitorTest, FailedReadsWalkTheChainAgainLessAndLessOftenUntilOneAnswers)
{
    backends->idleSourceAnswers = false;
    monitor->start();
    // A read as the engine's tick makes it, with the walk it started over by the next one.
    auto tick = [&] {
        const double seconds = monitor->secondsSinceLastActivity();
        QThreadPool::globalInstance()->waitForDone();
        turn();
        return seconds;
    };
    LogCapture log(monitorCategory);
    for (int read = 1; read <= 20; ++read)
        ASSERT_EQ(tick(), ActivityMonitor::unknownIdleSeconds);
    // Walks at reads 1, 3, 6, 11 and 20: each fruitless one doubles the wait for the next.
    EXPECT_EQ(backends->idleSourceRequests, 1 + 5);
    EXPECT_TRUE(log.lines().isEmpty());

    backends->idleSourceAnswers = true;
    backends->idleSource->seconds = 3.0;
    int reads = 1;
    while (tick() != 3.0 && reads < 100)
        ++reads;
    EXPECT_EQ(reads, 16 + 1 + 1) << "16 reads waited, one walked, the next read the new source";
    EXPECT_EQ(log.lines(), QStringList{"Idle time from fake idle counter"});
    EXPECT_EQ(monitor->idleTimeSourceName(), QStringLiteral("fake idle counter"));
}

TEST_F(ActivityMonitorTest, LockedReadsTheLargestFiniteDoubleWithoutAskingTheBackend)
{
    backends->idleSource->seconds = 0.5;
    monitor->start();
    backends->reportFromAll(true);
    turn();
    ASSERT_TRUE(monitor->isScreenLocked());

    const int readsBefore = backends->idleSource->reads;
    EXPECT_EQ(monitor->secondsSinceLastActivity(), lockedSeconds);
    EXPECT_EQ(backends->idleSource->reads, readsBefore);

    backends->reportFromAll(false);
    turn();
    EXPECT_FALSE(monitor->isScreenLocked());
    EXPECT_EQ(monitor->secondsSinceLastActivity(), 0.5);
    EXPECT_EQ(backends->idleSource->reads, readsBefore + 1);
}

TEST_F(ActivityMonitorTest, TheFlagChangesOneEventLoopTurnAfterTheReport)
{
    monitor->start();
    QSignalSpy changed(monitor.get(), &ActivityMonitor::isScreenLockedChanged);
    LogCapture log(monitorCategory);

    backends->reportFromAll(true);
    EXPECT_FALSE(monitor->isScreenLocked());
    EXPECT_EQ(monitor->property("isScreenLocked").toBool(), false);
    turn();
    EXPECT_TRUE(monitor->isScreenLocked());
    EXPECT_EQ(monitor->property("isScreenLocked").toBool(), true);
    EXPECT_EQ(changed.count(), 1);

    backends->reportFromAll(false);
    EXPECT_TRUE(monitor->isScreenLocked());
    turn();
    EXPECT_FALSE(monitor->isScreenLocked());
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(log.lines(), (QStringList{"Screen locked \u2014 treating user as idle",
                                        "Screen unlocked \u2014 resuming activity monitoring"}));
}

TEST_F(ActivityMonitorTest, OneLockAnnouncedOnSeveralChannelsChangesTheFlagOnce)
{
    backends->lockSourceCount = 3;
    monitor->start();
    QSignalSpy changed(monitor.get(), &ActivityMonitor::isScreenLockedChanged);
    LogCapture log(monitorCategory);

    backends->reportFromAll(true);
    backends->reportFromAll(true);
    turn();
    EXPECT_TRUE(monitor->isScreenLocked());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(log.lines().size(), 1);

    // A source flapping within one turn costs one change at most, with its last word.
    for (int i = 0; i < 10000; ++i)
        backends->reportFromAll(i % 2 == 0);
    turn();
    EXPECT_FALSE(monitor->isScreenLocked());
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(log.lines().size(), 2);
    turn();
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ActivityMonitorTest, StopEndsObservationAndKeepsTheLastFlag)
{
    monitor->start();
    ASSERT_EQ(backends->lockSources.size(), 1);
    QPointer<FakeScreenLockSource> source = backends->lockSources.first();
    source->report(true);
    turn();
    ASSERT_TRUE(monitor->isScreenLocked());

    LogCapture log(monitorCategory);
    monitor->stop();
    EXPECT_TRUE(source.isNull()) << "stop() must end the subscription";
    EXPECT_FALSE(monitor->isObservingScreenLock());
    EXPECT_TRUE(monitor->isScreenLocked());
    EXPECT_EQ(log.lines(), QStringList{"Activity monitor stopped"});

    // Observing again follows the new sources.
    monitor->start();
    backends->reportFromAll(false);
    turn();
    EXPECT_FALSE(monitor->isScreenLocked());
}

TEST_F(ActivityMonitorTest, AReportStillQueuedWhenTheMonitorIsDestroyedDoesNothing)
{
    monitor->start();
    QPointer<ActivityMonitor> watched = monitor.get();
    LogCapture log(monitorCategory);
    backends->reportFromAll(true);
    monitor.reset();
    turn();
    EXPECT_TRUE(watched.isNull());
    // The queued lock is never applied: no "Screen locked" line, nor anything else.
    EXPECT_EQ(log.lines(), QStringList());
}

TEST_F(ActivityMonitorTest, WithoutABackendADueBreakStillStarts)
{
    resetUserDefaults();
    backends->idleSourceAnswers = false;
    monitor->start();
    ConfigurationManager config;
    Configuration c = config.config();
    c.workDurationSeconds = 30;
    config.setConfig(c);
    FakeClock clock;
    QTemporaryDir dir;
    BreakManager engine(*monitor, config, nullptr, clock, dir.path() + "/session.log");
    for (int tick = 0; tick < 40 && engine.state() != BreakState::onBreak; ++tick)
        engine.tick();
    EXPECT_EQ(engine.state(), BreakState::onBreak);
    EXPECT_EQ(engine.accumulatedWorkTime(), 30);
}
