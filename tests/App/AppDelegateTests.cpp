#include "AppDelegateHarness.h"
#include "Configuration/StoreKeys.h"
#include "FakeStatusNotifierItem.h"
#include "LogCapture.h"
#include "Views/MenuBarHintView.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

using namespace std::chrono_literals;

// Start-up: paths, start once, launch at login.

TEST_F(AppDelegateTest, StartingTwiceMakesOneTrayIconAndOneLoginItemWrite)
{
    delegate().startMainApp();
    delegate().startMainApp();
    settle();

    ASSERT_NE(delegate().statusItemController(), nullptr);
    EXPECT_EQ(delegate().statusItemController()->findChildren<QSystemTrayIcon*>().size(), 1);
    EXPECT_EQ(loginItem->registerCalls, 1);
    EXPECT_EQ(loginItem->startUpRegisterCalls, 1) << "a choice made in the desktop stays";
    EXPECT_EQ(activity->starts, 1);
    EXPECT_TRUE(engine().isTicking());
    EXPECT_EQ(blockers->starts, 1);
}

TEST_F(AppDelegateTest, WithoutATrayTheEngineRunsAndTheLogSaysSoOnce)
{
    trayAvailable = false;
    LogCapture log("com.ostavel.app.App");
    delegate().applicationDidFinishLaunching();
    delegate().startMainApp();
    for (int i = 0; i < 3; ++i)
        engine().tick();
    settle();
    EXPECT_TRUE(engine().isTicking());
    // Said after a short grace, in which a host that is about to appear may still do so.
    timers.advance(3000ms);
    EXPECT_FALSE(log.lines().filter(QStringLiteral("No system tray")).isEmpty());
    timers.advance(100ms);
    EXPECT_EQ(log.lines().filter(QStringLiteral("No system tray")).size(), 1);
    EXPECT_EQ(log.lines().filter(QStringLiteral("Ostavel launched")).size(), 1);
}

TEST_F(AppDelegateTest, LaunchAtLoginDisabledMakesNoLoginItemCall)
{
    UserDefaults::setValue(StoreKeys::launchAtLoginDisabled, true);
    delegate().startMainApp();
    EXPECT_EQ(loginItem->registerCalls, 0);
    EXPECT_EQ(loginItem->unregisterCalls, 0);
}

TEST_F(AppDelegateTest, LaunchAtLoginKeyFalseStillRegistersAndFailureIsIgnored)
{
    UserDefaults::setValue(StoreKeys::launchAtLoginDisabled, false);
    delegate();
    loginItem->succeeds = false;
    delegate().startMainApp();
    EXPECT_EQ(loginItem->registerCalls, 1);
    EXPECT_TRUE(delegate().isMainAppStarted());
}

TEST_F(AppDelegateTest, NothingStartsBeforeLaunch)
{
    delegate();
    EXPECT_NE(activity, nullptr);
    EXPECT_NE(updater, nullptr);
    EXPECT_EQ(loginItem->registerCalls, 0);
    EXPECT_EQ(delegate().statusItemController(), nullptr);
    EXPECT_EQ(blockers, nullptr) << "the blocker manager is built on first use";
    EXPECT_TRUE(story.isEmpty());
}

TEST_F(AppDelegateTest, DirectPathWhenOnboardingWasCompleted)
{
    UserDefaults::setValue(StoreKeys::onboardingCompleted, true);
    delegate().applicationDidFinishLaunching();
    EXPECT_TRUE(delegate().isMainAppStarted());
    timers.advance(1200ms);
    EXPECT_EQ(hint(), nullptr) << "the direct path never shows the hint";
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::menuBarHintShown));
}

TEST_F(AppDelegateTest, OnboardingPathStartsOnlyWhenCompleted)
{
    std::function<void()> completion;
    AppComponents c = components();
    c.makeOnboardingWindowController = [&completion](ConfigurationManager&) {
        return std::make_unique<FakeOnboardingWindowController>(completion);
    };
    makeDelegate(std::move(c));
    delegate().applicationDidFinishLaunching();
    ASSERT_TRUE(completion);
    EXPECT_FALSE(delegate().isMainAppStarted());
    EXPECT_EQ(loginItem->registerCalls, 0);

    completion();
    EXPECT_TRUE(delegate().isMainAppStarted());
    EXPECT_TRUE(UserDefaults::value(StoreKeys::onboardingCompleted).toBool());
    timers.advance(1000ms);
    EXPECT_NE(hint(), nullptr);

    completion();
    EXPECT_EQ(loginItem->registerCalls, 1) << "a second completion changes nothing";

    destroyDelegate();
    completion(); // the delegate is gone: nothing happens
}

TEST_F(AppDelegateTest, OnboardingClosedUnfinishedQuitsAndTheNextLaunchShowsItAgain)
{
    for (int launch = 0; launch < 2; ++launch) {
        std::function<void()> completion;
        std::function<void()> closed;
        AppComponents c = components();
        c.makeOnboardingWindowController = [&](ConfigurationManager&) {
            return std::make_unique<FakeOnboardingWindowController>(completion, &closed);
        };
        makeDelegate(std::move(c));
        delegate().applicationDidFinishLaunching();
        ASSERT_TRUE(closed) << "launch " << launch << " shows onboarding";
        closed();
        EXPECT_EQ(quitCalls, launch + 1);
        EXPECT_FALSE(delegate().isMainAppStarted());
        EXPECT_EQ(loginItem->registerCalls, 0);
        EXPECT_FALSE(UserDefaults::contains(StoreKeys::onboardingCompleted));
        EXPECT_FALSE(UserDefaults::contains(StoreKeys::configuration));
        destroyDelegate();
    }
}

TEST_F(AppDelegateTest, WithoutOnboardingWindowTheFirstLaunchStartsAtOnceAndHints)
{
    delegate().applicationDidFinishLaunching();
    EXPECT_TRUE(delegate().isMainAppStarted());
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::onboardingCompleted));
    timers.advance(1000ms);
    EXPECT_NE(hint(), nullptr);
}

// The first-run hint.

TEST_F(AppDelegateTest, HintIsMarkedShownOnlyWhenThereIsATrayToPointAt)
{
    trayAvailable = false;
    delegate().startMainApp();
    delegate().showMenuBarHint();
    timers.advance(1300ms);
    EXPECT_EQ(hint(), nullptr);
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::menuBarHintShown));

    trayHosts->setXEmbedTray(true);
    delegate().showMenuBarHint();
    timers.advance(999ms);
    EXPECT_EQ(hint(), nullptr) << "a second later, not sooner";
    timers.advance(1ms);
    ASSERT_NE(hint(), nullptr);
    EXPECT_TRUE(UserDefaults::value(StoreKeys::menuBarHintShown).toBool());
    EXPECT_TRUE(hint()->isVisible());
}

TEST_F(AppDelegateTest, HintWithoutTrayIconIsNotMarked)
{
    delegate().showMenuBarHint();
    timers.advance(1300ms);
    EXPECT_EQ(hint(), nullptr);
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::menuBarHintShown));
}

TEST_F(AppDelegateTest, HintIsShownOncePerUser)
{
    UserDefaults::setValue(StoreKeys::menuBarHintShown, true);
    delegate().startMainApp();
    delegate().showMenuBarHint();
    timers.advance(1300ms);
    EXPECT_EQ(hint(), nullptr);
}

TEST_F(AppDelegateTest, HintClosesOnAWatchedPressWithoutPolling)
{
    pointerWatchable = true;
    delegate().startMainApp();
    delegate().showMenuBarHint();
    timers.advance(1000ms);
    ASSERT_NE(hint(), nullptr);
    ASSERT_TRUE(pointerButtons->isWatched());
    pointerButtons->press();
    timers.advance(1000ms);
    EXPECT_EQ(hint(), nullptr);
    EXPECT_FALSE(pointerButtons->isWatched());
    EXPECT_EQ(pointerButtons->reads, 0);
}

// Our icon in a StatusNotifierItem host is no window of ours: its host's call about the click
// is what keeps the hint open (how long it is waited for: MenuBarHintControllerTest).
TEST_F(AppDelegateTest, HintStaysForAClickOnTheIconInAStatusNotifierHost)
{
    useStatusNotifierItem = true;
    pointerWatchable = true;
    delegate().startMainApp();
    trayHosts->statusNotifier = true;
    emit trayHosts->changed();
    FakeStatusNotifierItem* item = statusNotifierItem;
    item->accept();
    delegate().showMenuBarHint();
    timers.advance(1000ms);
    ASSERT_NE(hint(), nullptr);

    // The host calls at the release, a while after the desktop-wide report of the press.
    pointerButtons->press();
    timers.advance(400ms);
    item->click(StatusNotifierItem::Activation::primary, QPoint(40, 30));
    QMenu* menu = delegate().statusMenuController()->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    timers.advance(1000ms);
    EXPECT_NE(hint(), nullptr);
}

// Crash reporting follows consent and the update channel (CrashReportingConsentTests.cpp has the
// changes).

TEST_F(AppDelegateTest, ConsentOnAtLaunchStartsAndTagsOnce)
{
    delegate().applicationDidFinishLaunching();
    settle();
    // The channel subscription's first value re-tags; the consent subscription adds nothing.
    EXPECT_EQ(story, QStringList({"start", "tag stable", "tag stable"}));
}

TEST_F(AppDelegateTest, BuildWithoutCrashReportingOrUpdaterStillLaunches)
{
    AppComponents c = components();
    c.makeCrashReporting = nullptr;
    c.makeUpdater = nullptr;
    makeDelegate(std::move(c));
    delegate().applicationDidFinishLaunching();
    configure([](Configuration& config) { config.sendAnonymousCrashReports = false; });
    settle();
    EXPECT_TRUE(delegate().isMainAppStarted());
    EXPECT_EQ(delegate().sparkleUpdater(), nullptr);
}

// The engine's callbacks become windows, then sounds.

TEST_F(AppDelegateTest, WholeCycleShowsWindowsBeforeTheirSounds)
{
    configureShortCycle();
    delegate().startMainApp();
    activity->idleSeconds = 5; // present, but past the short pause a break waits for
    for (int i = 0; i < 12 && story.count() < 9; ++i)
        engine().tick();

    EXPECT_EQ(story, QStringList({"show preAlert", "sound break-about-to-begin", "show cursorAlert",
                                  "dismiss preAlert", "show break", "sound break-started",
                                  "dismiss cursorAlert", "dismiss break", "sound break-ends"}));
}

TEST_F(AppDelegateTest, NoBreakEndsSoundWhileLocked)
{
    delegate().startMainApp();
    engine().startBreak();
    activity->locked = true;
    engine().tick();
    EXPECT_EQ(story, QStringList({"show break", "sound break-started", "dismiss break"}));
}

TEST_F(AppDelegateTest, CallbacksWithoutWindowControllersStillPlaySounds)
{
    AppComponents c = components();
    c.makeBreakWindowController = nullptr;
    c.makePreAlertWindowController = nullptr;
    c.makeCursorAlertWindowController = nullptr;
    makeDelegate(std::move(c));
    delegate().startMainApp();
    engine().onPreAlertStart();
    engine().onCursorAlertStart();
    engine().onBreakStart();
    engine().onBreakEnd();
    EXPECT_EQ(story, QStringList({"sound break-about-to-begin", "sound break-started",
                                  "sound break-ends"}));
}
