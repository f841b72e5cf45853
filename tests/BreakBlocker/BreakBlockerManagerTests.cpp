#include "BreakBlocker/BreakBlockerManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeCameraProbe.h"
#include "FakeMicrophoneProbe.h"
#include "FakeRunningApplications.h"
#include "FakeScreenList.h"
#include "FakeServiceTimer.h"
#include "FakeWindowList.h"
#include "LogCapture.h"
#include "UserDefaultsReset.h"

#include <QCoreApplication>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

class BlockerManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetUserDefaults();
        configManager = std::make_unique<ConfigurationManager>();
        probes = {screens, windows, camera, microphone, running};
    }

    void TearDown() override
    {
        // Nothing may stay blocked in a fake when the test ends.
        windows->holdCalls = false;
        windows->release(100);
        QThreadPool::globalInstance()->waitForDone();
    }

    void configure(bool fullscreen, bool meeting, bool apps, QList<AppEntry> blockerApps = {})
    {
        Configuration c = configManager->config();
        c.breakBlockFullscreenEnabled = fullscreen;
        c.breakBlockMeetingEnabled = meeting;
        c.breakBlockAppsEnabled = apps;
        c.breakBlockerApps = std::move(blockerApps);
        configManager->setConfig(c);
    }

    // Everything blocks: a full-screen player, a meeting, a listed application.
    // A manager whose pause between rounds only ends when the test fires `refreshTimer`.
    std::unique_ptr<BreakBlockerManager> makeManager()
    {
        auto timer = std::make_unique<FakeServiceTimer>();
        refreshTimer = timer.get();
        return std::make_unique<BreakBlockerManager>(*configManager, probes, std::move(timer));
    }

    // Waits until the round under way has stored its result, then lets nothing else run.
    static void finishPendingRounds(BreakBlockerManager& manager) { manager.waitForRounds(); }

    void blockEverything()
    {
        windows->setWindows({WindowInfo{4242, "mpv", QRect(0, 0, 1280, 800)}});
        camera->inUse = true;
        running->setApplications({{"us.zoom.Zoom", "Zoom"}, {"org.blender.Blender", "Blender"}});
        configure(true, true, true, {{"org.blender.Blender", "Blender 4"}});
    }

    std::unique_ptr<ConfigurationManager> configManager;
    std::shared_ptr<FakeScreenList> screens = std::make_shared<FakeScreenList>();
    std::shared_ptr<FakeWindowList> windows = std::make_shared<FakeWindowList>();
    std::shared_ptr<FakeCameraProbe> camera = std::make_shared<FakeCameraProbe>();
    std::shared_ptr<FakeMicrophoneProbe> microphone = std::make_shared<FakeMicrophoneProbe>();
    std::shared_ptr<FakeRunningApplications> running = std::make_shared<FakeRunningApplications>();
    BlockerProbes probes;
    FakeServiceTimer* refreshTimer = nullptr;
};

TEST_F(BlockerManagerTest, AllSwitchesOffQueriesNothing)
{
    blockEverything();
    configure(false, false, false, {{"org.blender.Blender", "Blender"}});
    auto manager = makeManager();
    manager->startRefreshing();
    // A few whole rounds, each ended by its 2 s pause.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return refreshTimer->isActive(); }, 5000));
        EXPECT_EQ(refreshTimer->delay(), 2s);
        refreshTimer->fire();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return refreshTimer->isActive(); }, 5000));
    manager->stopRefreshing();
    EXPECT_FALSE(manager->isActive());
    EXPECT_TRUE(manager->activeBlockerNames().isEmpty());
    EXPECT_EQ(screens->calls + windows->calls + camera->calls + microphone->calls + running->calls,
              0);
}

TEST_F(BlockerManagerTest, NamesComeInTheOrderFullScreenMeetingListedApplication)
{
    blockEverything();
    auto manager = makeManager();
    manager->startRefreshing();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->isActive(); }, 5000));
    EXPECT_EQ(manager->activeBlockerNames(), (QStringList{"mpv", "Meeting", "Blender"}));
    manager->stopRefreshing();

    // A switch turned off counts from the next refresh; the result is kept once stopped.
    configure(false, true, true, {{"org.blender.Blender", "Blender 4"}});
    manager->startRefreshing();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return manager->activeBlockerNames() == QStringList{"Meeting", "Blender"};
        },
        5000));
    manager->stopRefreshing();
    EXPECT_FALSE(refreshTimer->fire()) << "a stopped manager has no round pending";
    finishPendingRounds(*manager);
    EXPECT_EQ(manager->activeBlockerNames(), (QStringList{"Meeting", "Blender"}));
}

TEST_F(BlockerManagerTest, EvaluationFollowsTheSnapshot)
{
    BlockerSnapshot snapshot;
    snapshot.appsEnabled = true;
    snapshot.blockerBundleIDs = {"org.gnome.Calculator", "org.videolan.VLC"};
    running->setApplications({
        {"", "nameless process"},
        {"org.videolan.VLC", ""},
        {"org.videolan.VLC", "VLC second instance"},
    });
    const BlockerResult result = BreakBlockerManager::computeBlockerState(snapshot, probes);
    EXPECT_TRUE(result.isActive);
    EXPECT_EQ(result.names, QStringList{"org.videolan.VLC"})
        << "the first process names it, by its identifier when it has no name";

    // An empty blocker list needs no process scan.
    snapshot.blockerBundleIDs.clear();
    running->calls = 0;
    EXPECT_FALSE(BreakBlockerManager::computeBlockerState(snapshot, probes).isActive);
    EXPECT_EQ(running->calls, 0);

    // The full-screen check uses the snapshot's screens, not the screen list.
    snapshot = {};
    snapshot.fullscreenEnabled = true;
    snapshot.screenFrames = {QRect(0, 0, 800, 600)};
    windows->setWindows({WindowInfo{4242, "Game", QRect(0, 0, 800, 600)}});
    EXPECT_EQ(BreakBlockerManager::computeBlockerState(snapshot, probes).names,
              QStringList{"Game"});
    EXPECT_EQ(screens->calls, 0);
}

TEST_F(BlockerManagerTest, RunningApplicationsAreResolvedOnlyWhileADeviceIsInUse)
{
    BlockerSnapshot snapshot;
    snapshot.meetingEnabled = true;
    snapshot.meetingBundleIDs = {"us.zoom.Zoom"};
    snapshot.appsEnabled = true;
    snapshot.blockerBundleIDs = {"org.blender.Blender"};
    running->setApplications({{"us.zoom.Zoom", "Zoom"}, {"org.blender.Blender", "Blender"}});

    // No camera or microphone: no meeting whatever runs; the listed-app check resolves once.
    EXPECT_EQ(BreakBlockerManager::computeBlockerState(snapshot, probes).names,
              QStringList{"Blender"});
    EXPECT_EQ(running->calls, 1);

    snapshot.appsEnabled = false;
    running->calls = 0;
    EXPECT_FALSE(BreakBlockerManager::computeBlockerState(snapshot, probes).isActive);
    EXPECT_EQ(running->calls, 0);

    microphone->setDevice(QStringLiteral("Built-in Audio"));
    EXPECT_EQ(BreakBlockerManager::computeBlockerState(snapshot, probes).names,
              QStringList{"Meeting"});
    EXPECT_EQ(running->calls, 1);
}

TEST_F(BlockerManagerTest, StartingTwiceLeavesOneLoop)
{
    configure(true, false, false);
    windows->holdCalls = true;
    auto manager = makeManager();
    manager->startRefreshing();
    manager->startRefreshing();
    // Both first rounds are evaluating; the first loop's round will still store its result.
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows->waiting == 2; }, 5000));
    windows->release(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return refreshTimer->isActive(); }, 5000));
    finishPendingRounds(*manager);
    // Only the second loop schedules a next round.
    EXPECT_EQ(refreshTimer->startCount(), 1);
    // From here on, a single loop means a single round waiting at a time.
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(refreshTimer->fire()) << "round " << round;
        ASSERT_TRUE(QTest::qWaitFor([&] { return windows->waiting >= 1; }, 5000));
        QCoreApplication::processEvents();
        EXPECT_EQ(windows->waiting, 1) << "round " << round;
        windows->release();
        finishPendingRounds(*manager);
        EXPECT_EQ(refreshTimer->startCount(), round + 2) << "round " << round;
    }
    manager->stopRefreshing();
}

TEST_F(BlockerManagerTest, ResultArrivingAfterStopIsStoredAndNothingFollows)
{
    configure(true, false, false);
    windows->setWindows({WindowInfo{4242, "Slides", QRect(0, 0, 1280, 800)}});
    windows->holdCalls = true;
    auto manager = makeManager();
    manager->startRefreshing();
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows->waiting == 1; }, 5000));
    manager->stopRefreshing();
    EXPECT_FALSE(manager->isRefreshing());
    windows->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->isActive(); }, 5000));
    EXPECT_EQ(manager->activeBlockerNames(), QStringList{"Slides"});
    // Whatever time passes, no pause was started that could lead to another round.
    EXPECT_EQ(refreshTimer->startCount(), 0);
    EXPECT_FALSE(refreshTimer->fire());
    finishPendingRounds(*manager);
    EXPECT_EQ(windows->calls, 1);
}

TEST_F(BlockerManagerTest, ResultOfARoundOutlivingTheManagerIsDropped)
{
    configure(true, false, false);
    windows->holdCalls = true;
    auto manager = std::make_unique<BreakBlockerManager>(*configManager, probes);
    manager->startRefreshing();
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows->waiting == 1; }, 5000));
    manager.reset();
    windows->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows->waiting == 0; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(windows->calls, 1);
}

TEST_F(BlockerManagerTest, RoundsGoOnWhateverOneDoes)
{
    LogCapture log("com.ostavel.app.BreakBlockerManager");
    configure(true, false, false);
    windows->setWindows({WindowInfo{4242, "Slides", QRect(0, 0, 1280, 800)}});
    auto pause = std::make_unique<FakeServiceTimer>();
    auto limit = std::make_unique<FakeServiceTimer>();
    refreshTimer = pause.get();
    FakeServiceTimer* stallTimer = limit.get();
    BreakBlockerManager manager(*configManager, probes, std::move(pause), std::move(limit));

    // Rounds that throw are followed by the next, and find nothing; one line for the outage.
    windows->throwCalls = true;
    manager.startRefreshing();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return refreshTimer->isActive(); }, 5000)) << round;
        EXPECT_FALSE(manager.isActive());
        refreshTimer->fire();
    }
    windows->throwCalls = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.isActive(); }, 5000));
    EXPECT_EQ(log.lines(), QStringList({"A blocker round failed (window list broke); the next "
                                        "round follows as usual",
                                        "Blocker rounds work again"}));
    log.clear();

    // A round that hangs past the limit holds nothing back and the next starts beside it, up to
    // three threads; then the next waits for one of them to come back.
    windows->holdCalls = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return refreshTimer->isActive(); }, 5000));
    refreshTimer->fire();
    for (int stuck = 1; stuck <= BreakBlockerManager::maxRoundThreads; ++stuck) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return windows->waiting == stuck; }, 5000)) << stuck;
        ASSERT_TRUE(stallTimer->isActive()) << stuck;
        EXPECT_EQ(stallTimer->delay(), BreakBlockerManager::stallLimit);
        stallTimer->fire();
        EXPECT_FALSE(manager.isActive()) << stuck;
    }
    EXPECT_FALSE(stallTimer->isActive()) << "no fourth thread";
    EXPECT_EQ(windows->calls, 3 + BreakBlockerManager::maxRoundThreads);
    windows->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows->calls == 7 && windows->waiting == 3; }, 5000))
        << "a returning round lets the next one start";
    windows->holdCalls = false;
    windows->release(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.isActive(); }, 5000));
    finishPendingRounds(manager);
    EXPECT_TRUE(refreshTimer->isActive()) << "and the loop goes on";
    EXPECT_EQ(manager.activeBlockerNames(), QStringList{"Slides"});
    EXPECT_EQ(log.lines(), QStringList({"A blocker round still running after 10 s; the next "
                                        "round follows as usual",
                                        "Blocker rounds work again"}));
    manager.stopRefreshing();
}
