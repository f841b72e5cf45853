#include "Configuration/AppVersion.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/TimingPreset.h"
#include "Configuration/UserDefaults.h"
#include "ConfigurationTest.h"
#include "FakeAppcastFetcher.h"
#include "FakeLoginItem.h"
#include "FakeServiceTimer.h"
#include "LogCapture.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "UserDefaultsReset.h"
#include "Views/CountStepper.h"
#include "Views/DisclosureGroup.h"
#include "Views/OthersTab.h"
#include "Views/SettingsView.h"
#include "Views/SliderRow.h"
#include "Views/TimingTab.h"
#include "Views/ToggleSwitch.h"
#include "Windows/SettingsWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <limits>

namespace {
class SettingsTest : public ConfigurationTest {
protected:
    std::unique_ptr<SettingsView> makeView()
    {
        auto view = std::make_unique<SettingsView>(manager, nullptr, SettingsEnvironment{});
        view->resize(500, 520);
        return view;
    }
};

const QStringList sliderLabels{
    "Work Duration", "Break Duration", "Snooze Duration", "Break Alert",
    "Cursor Alert",  "Idle Threshold", "Natural Break",   "Long Break Duration",
};
} // namespace

TEST(SettingsSliderGrid, PositionsAreTheGridPlusAnOffGridMaximum)
{
    struct Case {
        double min, max, step;
        qsizetype count;
        double second, last;
    };
    const Case cases[] = {
        {60, 7200, 60, 120, 120, 7200}, {10, 180, 10, 18, 20, 180},
        {10, 300, 10, 30, 20, 300},     {5, 60, 5, 12, 10, 60},
        {0, 60, 5, 13, 5, 60},          {5, 300, 10, 31, 15, 300}, // 295, then 300
        {60, 900, 30, 29, 90, 900},
    };
    for (const Case& c : cases) {
        const QList<double> grid = SliderRow::gridPositions(c.min, c.max, c.step);
        EXPECT_EQ(grid.size(), c.count) << c.min << ".." << c.max;
        EXPECT_EQ(grid.first(), c.min);
        EXPECT_EQ(grid.value(1), c.second);
        EXPECT_EQ(grid.last(), c.last);
    }
    const QList<double> natural = SliderRow::gridPositions(5, 300, 10);
    EXPECT_EQ(natural[29], 295);
    const std::pair<double, double> snaps[] = {
        {90, 85},   {91, 95},   {-4, 5}, {1e9, 300}, {std::numeric_limits<double>::quiet_NaN(), 5},
        {298, 300}, {297, 295}, {5, 5},
    };
    for (const auto& [value, snapped] : snaps)
        EXPECT_EQ(natural[SliderRow::nearestPosition(natural, value)], snapped) << value;
}

TEST_F(SettingsTest, OpeningWritesNothingAndEachEditIsOneAssignment)
{
    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    auto view = makeView();
    view->show();
    auto second = makeView();
    EXPECT_EQ(saves.count(), 0) << "opening";

    TimingTab* timing = view->timingTab();
    ASSERT_EQ(timing->sliderRows().size(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(timing->sliderRows()[i]->labelText(), sliderLabels[i]);

    // Each step is one write of the whole record with that field changed, mouse or keyboard.
    QSlider* work = timing->sliderRow("Work Duration")->slider();
    work->setValue(work->value() + 1);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(manager.config().workDurationSeconds, 2160);
    work->setFocus();
    QTest::keyClick(work, Qt::Key_Right);
    QTest::keyClick(work, Qt::Key_Right);
    EXPECT_EQ(saves.count(), 3);
    EXPECT_EQ(manager.config().workDurationSeconds, 2280);
    EXPECT_EQ(timing->sliderRow("Work Duration")->valueText(), "38 min");
    // The other view followed without writing.
    EXPECT_EQ(second->timingTab()->sliderRow("Work Duration")->valueText(), "38 min");
    EXPECT_FALSE(timing->isPresetButtonActive(TimingPreset::balanced));

    const Configuration before = manager.config();
    QSlider* cursor = timing->sliderRow("Cursor Alert")->slider();
    cursor->setValue(0);
    EXPECT_EQ(saves.count(), 4);
    EXPECT_EQ(timing->sliderRow("Cursor Alert")->valueText(), "0s");
    Configuration expected = before;
    expected.cursorAlertDurationSeconds = 0;
    EXPECT_EQ(manager.config(), expected);

    // The wheel over a slider that lies under the pointer scrolls the tab; a focused one moves.
    const auto wheel = [](QWidget* target) {
        QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    };
    saves.clear();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    work->clearFocus();
    EXPECT_FALSE(wheel(work));
    EXPECT_FALSE(wheel(timing->longBreakIntervalStepper()));
    EXPECT_EQ(saves.count(), 0);
    work->setFocus();
    ASSERT_TRUE(work->hasFocus());
    EXPECT_TRUE(wheel(work));
    EXPECT_EQ(saves.count(), 1);
}

TEST_F(SettingsTest, ARefusedSaveShowsTheNoticeLogsOnceAndTheChangeStillApplies)
{
    auto view = makeView();
    view->show();
    QLabel* notice = view->saveNotice();
    EXPECT_FALSE(notice->isVisible());

    // A folder where the file belongs refuses the write; so does a full disk.
    const QString file = UserDefaults::fileName();
    store([](Configuration& c) { c.breakDurationSeconds = 50; });
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    LogCapture log("com.ostavel.app.UserDefaults");
    QSlider* work = view->timingTab()->sliderRow("Work Duration")->slider();
    work->setValue(work->value() + 1);
    work->setValue(work->value() + 1);
    EXPECT_EQ(manager.config().workDurationSeconds, 2220);
    EXPECT_TRUE(manager.saveFailed());
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "Changes could not be saved and apply only until Ostavel quits.");
    auto later = makeView();
    later->show();
    EXPECT_TRUE(later->saveNotice()->isVisible());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Settings could not be saved to"));

    ASSERT_TRUE(QDir(file).removeRecursively());
    work->setValue(work->value() + 1);
    EXPECT_FALSE(manager.saveFailed());
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(log.lines().size(), 2);
    EXPECT_EQ(ConfigurationManager().config().workDurationSeconds, 2280);
}

// The other settings the window writes go to the same store: a refusal shows the same notice.
TEST_F(SettingsTest, ARefusedWriteOfLaunchAtLoginOrTheChannelShowsTheNoticeToo)
{
    SparkleUpdaterManager updater(SparkleUpdaterManager::Environment{
        QStringLiteral("1.4.2"), QStringLiteral("updates.example.org"),
        std::make_unique<FakeAppcastFetcher>(), std::make_unique<FakeServiceTimer>()});
    auto item = std::make_shared<FakeLoginItem>();
    SettingsEnvironment environment;
    environment.loginItem = item;
    SettingsView view(manager, &updater, environment);
    view.show();
    OthersTab* others = view.othersTab();
    const QString file = UserDefaults::fileName();
    const auto refuse = [&] {
        QFile::remove(file);
        return QDir().mkpath(file);
    };

    ASSERT_TRUE(refuse());
    others->launchAtLoginSwitch()->click();
    EXPECT_TRUE(item->registered);
    EXPECT_TRUE(view.saveNotice()->isVisible());
    ASSERT_TRUE(QDir(file).removeRecursively());
    others->launchAtLoginSwitch()->click();
    EXPECT_FALSE(view.saveNotice()->isVisible());

    ASSERT_TRUE(refuse());
    others->betaButton()->click();
    EXPECT_EQ(updater.currentChannel(), UpdateChannel::beta);
    EXPECT_TRUE(view.saveNotice()->isVisible());
    ASSERT_TRUE(QDir(file).removeRecursively());
}

TEST_F(SettingsTest, APresetClickChangesItsTenFieldsOnlyAndMovesTheHighlight)
{
    store([](Configuration& c) {
        c.tickIntervalSeconds = 2;
        c.breakBlockFullscreenEnabled = false;
        c.breakBlockAppsEnabled = true;
        c.breakBlockerApps = {{"org.gnome.Boxes", "Boxes"}};
        c.meetingApps.removeLast();
        c.sendAnonymousCrashReports = false;
        c.longBreakEnabled = false;
        c.naturalBreakSeconds = 200;
    });
    auto view = makeView();
    TimingTab* timing = view->timingTab();
    for (TimingPreset p : allTimingPresets())
        EXPECT_FALSE(timing->isPresetButtonActive(p)) << "custom values";

    for (TimingPreset preset : {TimingPreset::deepFocus, TimingPreset::frequentBreaks,
                                TimingPreset::frequentBreaks, TimingPreset::balanced}) {
        QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
        Configuration expected = manager.config();
        applyTimingPreset(preset, expected);
        timing->presetButton(preset)->click();
        EXPECT_EQ(saves.count(), 1) << "clicking the active one saves again too";
        EXPECT_EQ(manager.config(), expected);
        for (TimingPreset p : allTimingPresets())
            EXPECT_EQ(timing->isPresetButtonActive(p), p == preset);
    }
    EXPECT_EQ(manager.config().tickIntervalSeconds, 2);
    EXPECT_EQ(manager.config().breakBlockerApps.size(), 1);
    EXPECT_FALSE(manager.config().sendAnonymousCrashReports);
    EXPECT_EQ(timing->sliderRow("Natural Break")->valueText(), "90s");
}

TEST_F(SettingsTest, OffGridValuesStayAsStoredUntilTheUserMovesThatSlider)
{
    store([](Configuration& c) { c.breakDurationSeconds = 45; });
    auto view = makeView();
    auto other = makeView();
    SliderRow* natural = view->timingTab()->sliderRow("Natural Break");
    EXPECT_EQ(natural->valueText(), "90s");
    EXPECT_EQ(natural->positions()[natural->slider()->value()], 85);

    // Edits elsewhere refresh every row, and neither 90 nor 45 is snapped on the way.
    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    other->timingTab()->sliderRow("Snooze Duration")->slider()->setValue(0);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(manager.config().naturalBreakSeconds, 90);
    EXPECT_EQ(manager.config().breakDurationSeconds, 45);
    EXPECT_EQ(view->timingTab()->sliderRow("Break Duration")->valueText(), "45s");
    EXPECT_EQ(view->timingTab()->sliderRow("Snooze Duration")->valueText(), "10s");

    natural->slider()->setFocus();
    QTest::keyClick(natural->slider(), Qt::Key_Right);
    EXPECT_EQ(manager.config().naturalBreakSeconds, 95);
    EXPECT_EQ(other->timingTab()->sliderRow("Natural Break")->valueText(), "95s");

    // A stored value no slider can reach shows without failing.
    store([](Configuration& c) { c.workDurationSeconds = 1e300; });
    EXPECT_EQ(view->timingTab()->sliderRow("Work Duration")->valueText(), "\u2014");
    EXPECT_EQ(view->timingTab()->sliderRow("Work Duration")->slider()->value(), 119);
}

TEST_F(SettingsTest, LongBreakRowsFollowTheSwitchAndTheStepperStopsAtOneAndTen)
{
    auto view = makeView();
    view->show();
    TimingTab* timing = view->timingTab();
    SliderRow* duration = timing->sliderRow("Long Break Duration");
    QSpinBox* stepper = timing->longBreakIntervalStepper();
    EXPECT_FALSE(timing->advancedGroup()->isExpanded());
    EXPECT_FALSE(duration->isVisible());
    timing->advancedGroup()->titleLabel()->setFocus();
    QTest::mouseClick(timing->advancedGroup()->titleLabel(), Qt::LeftButton);
    EXPECT_TRUE(timing->advancedGroup()->isExpanded());
    EXPECT_TRUE(duration->isVisible());
    EXPECT_TRUE(timing->longBreakIntervalRow()->isVisible());
    EXPECT_EQ(stepper->text(), "2 breaks");

    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    timing->longBreakSwitch()->click();
    EXPECT_EQ(saves.count(), 1);
    EXPECT_FALSE(manager.config().longBreakEnabled);
    EXPECT_FALSE(duration->isVisible());
    EXPECT_FALSE(timing->longBreakIntervalRow()->isVisible());
    EXPECT_EQ(manager.config().longBreakDurationSeconds, 120) << "kept while hidden";
    // Turned on elsewhere: the rows come back with the stored values.
    store([](Configuration& c) {
        c.longBreakEnabled = true;
        c.longBreakIntervalBreaks = 9;
    });
    EXPECT_TRUE(duration->isVisible());
    EXPECT_TRUE(timing->longBreakSwitch()->isChecked());
    EXPECT_EQ(stepper->value(), 9);

    saves.clear();
    stepper->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(stepper, Qt::Key_Up);
    EXPECT_EQ(manager.config().longBreakIntervalBreaks, 10);
    EXPECT_EQ(saves.count(), 1) << "stops at 10";
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(stepper, Qt::Key_Down);
    EXPECT_EQ(manager.config().longBreakIntervalBreaks, 1);
    EXPECT_EQ(saves.count(), 10) << "stops at 1";
    EXPECT_EQ(stepper->text(), "1 breaks");
}

TEST_F(SettingsTest, AnIntervalOutsideOneToTenShowsAsStoredAndAStepLandsOnTheNearestEnd)
{
    store([](Configuration& c) { c.longBreakIntervalBreaks = 25; });
    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    auto view = makeView();
    auto other = makeView();
    view->show();
    QSpinBox* stepper = view->timingTab()->longBreakIntervalStepper();
    EXPECT_EQ(stepper->text(), "25 breaks");
    other->timingTab()->sliderRow("Snooze Duration")->slider()->setValue(0);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(manager.config().longBreakIntervalBreaks, 25) << "showing it rewrites nothing";
    EXPECT_EQ(stepper->text(), "25 breaks");

    stepper->setFocus();
    QTest::keyClick(stepper, Qt::Key_Up);
    EXPECT_EQ(saves.count(), 1) << "up leads further out";
    QTest::keyClick(stepper, Qt::Key_Down);
    EXPECT_EQ(saves.count(), 2);
    EXPECT_EQ(manager.config().longBreakIntervalBreaks, 10);
    EXPECT_EQ(stepper->text(), "10 breaks");
    EXPECT_EQ(other->timingTab()->longBreakIntervalStepper()->text(), "10 breaks");

    store([](Configuration& c) { c.longBreakIntervalBreaks = 0; });
    EXPECT_EQ(stepper->text(), "0 breaks");
    saves.clear();
    QTest::keyClick(stepper, Qt::Key_Down);
    EXPECT_EQ(saves.count(), 0);
    QTest::keyClick(stepper, Qt::Key_Up);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_EQ(manager.config().longBreakIntervalBreaks, 1);
    EXPECT_EQ(stepper->text(), "1 breaks");
}

TEST_F(SettingsTest, TheWindowIsBuiltOnShowBroughtForwardWhileOpenAndFreedWhenClosed)
{
    SettingsWindowController controller(manager, nullptr);
    EXPECT_EQ(controller.window(), nullptr);
    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    controller.show();
    QPointer<QWidget> window = controller.window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Ostavel Settings");
    EXPECT_EQ(window->size(), QSize(500, 520));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    const QStringList tabs{controller.view()->tabs()->tabText(0),
                           controller.view()->tabs()->tabText(1),
                           controller.view()->tabs()->tabText(2)};
    EXPECT_EQ(tabs, QStringList({"Timing", "Smart Focus", "Others"}));

    controller.view()->tabs()->setCurrentIndex(2);
    controller.view()->timingTab()->advancedGroup()->setExpanded(true);
    controller.show();
    EXPECT_EQ(controller.window(), window) << "one window, state kept";
    EXPECT_EQ(controller.view()->tabs()->currentIndex(), 2);

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window) << "freed once closed";
    EXPECT_EQ(controller.window(), nullptr);

    controller.show();
    ASSERT_TRUE(controller.window());
    EXPECT_EQ(controller.view()->tabs()->currentIndex(), 0);
    EXPECT_FALSE(controller.view()->timingTab()->advancedGroup()->isExpanded());
    EXPECT_EQ(saves.count(), 0);
}

// Others tab.

TEST_F(SettingsTest, LaunchAtLoginChangesTheItemOnlyOnAClickAndKeepsTheKeyOnFailure)
{
    struct Case {
        bool registered, succeeds;
        bool keyBefore;
        // Expected after one click.
        bool registeredAfter;
        std::optional<bool> keyAfter;
        int registerCalls, unregisterCalls;
    };
    const Case cases[] = {
        {false, true, true, true, std::nullopt, 1, 0}, // on: the key goes
        {true, true, false, false, true, 0, 1},        // off: the key reads true
        {false, false, true, false, true, 1, 0},       // refused: off again, key untouched
        {false, false, false, false, std::nullopt, 1, 0},
        {true, false, false, true, std::nullopt, 0, 1}, // unregistering failed: still on
    };
    for (const Case& c : cases) {
        resetUserDefaults();
        if (c.keyBefore)
            UserDefaults::setValue(StoreKeys::launchAtLoginDisabled, true);
        auto item = std::make_shared<FakeLoginItem>();
        item->registered = c.registered;
        item->succeeds = c.succeeds;
        OthersTab tab(manager, nullptr, item);
        ToggleSwitch* toggle = tab.launchAtLoginSwitch();
        EXPECT_EQ(toggle->isChecked(), c.registered) << "opening shows the real status";
        EXPECT_EQ(item->registerCalls + item->unregisterCalls, 0);

        toggle->click();
        EXPECT_EQ(item->registerCalls, c.registerCalls);
        EXPECT_EQ(item->unregisterCalls, c.unregisterCalls);
        EXPECT_EQ(item->registered, c.registeredAfter);
        EXPECT_EQ(toggle->isChecked(), item->registered);
        const QVariant key = UserDefaults::value(StoreKeys::launchAtLoginDisabled);
        EXPECT_EQ(key.isValid() ? std::optional<bool>(key.toBool()) : std::nullopt, c.keyAfter)
            << c.registered << c.succeeds;

        // Refreshing from a status changed elsewhere calls nothing.
        item->registered = !item->registered;
        tab.refreshLaunchAtLogin();
        EXPECT_EQ(toggle->isChecked(), item->registered);
        EXPECT_EQ(item->registerCalls + item->unregisterCalls, 1);
    }
}

TEST_F(SettingsTest, UpdateSectionFollowsTheUpdaterAndCrashReportsAreOneAssignment)
{
    auto fetcherOwned = std::make_unique<FakeAppcastFetcher>();
    FakeAppcastFetcher* fetcher = fetcherOwned.get();
    SparkleUpdaterManager updater(SparkleUpdaterManager::Environment{
        QStringLiteral("1.4.2"), QStringLiteral("updates.example.org"), std::move(fetcherOwned),
        std::make_unique<FakeServiceTimer>()});
    SettingsView view(manager, &updater, SettingsEnvironment{});
    OthersTab* others = view.othersTab();
    EXPECT_TRUE(others->checkNowButton()->isEnabled());
    EXPECT_TRUE(others->stableButton()->isChecked());
    EXPECT_TRUE(others->betaWarning()->isHidden());

    others->betaButton()->click();
    EXPECT_EQ(updater.currentChannel(), UpdateChannel::beta);
    EXPECT_FALSE(others->betaWarning()->isHidden()) << "at once";
    EXPECT_EQ(UserDefaults::value(StoreKeys::updateChannel).toString(), "beta");
    others->stableButton()->click();
    EXPECT_TRUE(others->betaWarning()->isHidden());
    updater.setCurrentChannel(UpdateChannel::beta);
    EXPECT_TRUE(others->betaButton()->isChecked()) << "a change elsewhere shows too";

    others->checkNowButton()->click();
    EXPECT_TRUE(fetcher->isPending());
    EXPECT_FALSE(others->checkNowButton()->isEnabled()) << "while the check runs";
    fetcher->complete({std::nullopt, QStringLiteral("offline")});
    EXPECT_TRUE(others->checkNowButton()->isEnabled());

    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    others->crashReportsSwitch()->click();
    EXPECT_EQ(saves.count(), 1);
    EXPECT_FALSE(manager.config().sendAnonymousCrashReports);
    EXPECT_EQ(others->versionLabel()->text(), AppVersion::current());
}

TEST_F(SettingsTest, WithoutAnUpdaterOrLoginItemTheirControlsAreDisabled)
{
    SettingsView view(manager, nullptr, SettingsEnvironment{});
    EXPECT_FALSE(view.othersTab()->checkNowButton()->isEnabled());
    EXPECT_FALSE(view.othersTab()->betaButton()->isEnabled());
    EXPECT_FALSE(view.othersTab()->launchAtLoginSwitch()->isEnabled());
}
