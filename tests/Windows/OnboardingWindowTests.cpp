#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "Screenshots.h"
#include "UserDefaultsReset.h"
#include "Views/OnboardingContainerView.h"
#include "Views/OnboardingHookView.h"
#include "Views/OnboardingPresetView.h"
#include "Windows/OnboardingWindowController.h"

#include <QAbstractButton>
#include <QPushButton>
#include <gtest/gtest.h>
#include <optional>

namespace {
class OnboardingWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetUserDefaults();
        manager = std::make_unique<ConfigurationManager>();
        controller = std::make_unique<OnboardingWindowController>(*manager);
    }

    // Shows the window; the story records each completion with whether the window was still
    // visible then, and each close.
    void show(const QString& name = QStringLiteral("done"))
    {
        controller->show(
            [this, name] {
                story << name + (shownWindow && shownWindow->isVisible()
                                     ? QStringLiteral(" visible")
                                     : QString());
            },
            [this] { story << QStringLiteral("closed"); });
        shownWindow = controller->window();
    }
    OnboardingPresetView* presetPage()
    {
        OnboardingContainerView* container = controller->containerView();
        container->hookView()->continueButton()->click();
        EXPECT_EQ(container->step(), OnboardingContainerView::Step::presetSelection);
        return container->presetView();
    }

    std::unique_ptr<ConfigurationManager> manager;
    std::unique_ptr<OnboardingWindowController> controller;
    QPointer<QWidget> shownWindow;
    QStringList story;
};
} // namespace

TEST_F(OnboardingWindowTest, GetStartedWritesThePresetOnceThenCompletesWithTheWindowHidden)
{
    // Fields outside the presets, changed from their defaults: "Get Started" must keep them.
    Configuration custom = manager->config();
    custom.tickIntervalSeconds = 2;
    custom.breakBlockMeetingEnabled = false;
    custom.breakBlockFullscreenEnabled = false;
    custom.breakBlockAppsEnabled = true;
    custom.meetingApps = {};
    custom.breakBlockerApps = {AppEntry{QStringLiteral("org.gimp.GIMP"), QStringLiteral("GIMP")}};
    custom.meetingExclusionApps = {};
    custom.sendAnonymousCrashReports = false;
    custom.workDurationSeconds = 999;
    custom.longBreakEnabled = false;

    const struct {
        std::optional<TimingPreset> pressed; // nothing pressed: the cards as they came
        TimingPreset expected;
    } table[] = {{std::nullopt, TimingPreset::balanced},
                 {TimingPreset::frequentBreaks, TimingPreset::frequentBreaks},
                 {TimingPreset::deepFocus, TimingPreset::deepFocus},
                 {TimingPreset::balanced, TimingPreset::balanced}};
    for (const auto& row : table) {
        const QString name = timingPresetRawValue(row.expected);
        SCOPED_TRACE(name.toStdString());
        manager->setConfig(custom);
        story.clear();
        int writes = 0;
        const auto connection = QObject::connect(
            manager.get(), &ConfigurationManager::configChanged, [&] { ++writes; });
        show(name);
        ASSERT_TRUE(shownWindow->isVisible());
        EXPECT_EQ(shownWindow->windowTitle(), "Welcome to Ostavel");
        EXPECT_EQ(shownWindow->size(), QSize(520, 460));
        EXPECT_EQ(shownWindow->minimumSize(), shownWindow->maximumSize()) << "not resizable";
        EXPECT_EQ(controller->containerView()->step(), OnboardingContainerView::Step::hook);

        OnboardingPresetView* page = presetPage();
        EXPECT_EQ(page->selectedPreset(), TimingPreset::balanced);
        if (row.pressed) {
            page->cardButton(TimingPreset::deepFocus)->click();
            page->cardButton(*row.pressed)->click();
            page->cardButton(*row.pressed)->click(); // pressing it again keeps it
        }
        EXPECT_EQ(page->selectedPreset(), row.expected);
        for (const auto& card : OnboardingPresetView::cards())
            EXPECT_EQ(page->cardButton(card.preset)->isChecked(), card.preset == row.expected);
        EXPECT_EQ(writes, 0) << "choosing a card writes nothing";

        page->getStartedButton()->click();
        EXPECT_EQ(story, QStringList{name}) << "completed once, after the window was hidden";
        EXPECT_EQ(writes, 1) << "one assignment";
        EXPECT_EQ(controller->window(), nullptr);

        const Configuration written = manager->config();
        EXPECT_TRUE(timingPresetMatches(row.expected, written));
        Configuration expected = custom;
        applyTimingPreset(row.expected, expected);
        EXPECT_EQ(written, expected) << "every other field as it was";
        EXPECT_EQ(ConfigurationManager().config(), expected) << "saved at once";
        QObject::disconnect(connection);
    }
}

TEST_F(OnboardingWindowTest, ASecondShowStartsOverAndOnlyItsCompletionRuns)
{
    show(QStringLiteral("first"));
    QPointer<QWidget> first = shownWindow;
    presetPage()->cardButton(TimingPreset::deepFocus)->click();

    show(QStringLiteral("second"));
    EXPECT_FALSE(first && first->isVisible());
    EXPECT_NE(controller->window(), first.data());
    EXPECT_EQ(controller->containerView()->step(), OnboardingContainerView::Step::hook);
    OnboardingPresetView* page = presetPage();
    EXPECT_EQ(page->selectedPreset(), TimingPreset::balanced) << "fresh pages";
    page->getStartedButton()->click();
    EXPECT_EQ(story, QStringList{QStringLiteral("second")});
}

TEST_F(OnboardingWindowTest, ClosingWithoutCompletingWritesNothingAndReportsTheClose)
{
    show();
    presetPage()->cardButton(TimingPreset::frequentBreaks)->click();
    ASSERT_TRUE(shownWindow->close());
    QCoreApplication::processEvents();
    EXPECT_EQ(story, QStringList{QStringLiteral("closed")});
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::configuration));
    EXPECT_EQ(manager->config(), Configuration::defaults());
}

TEST_F(OnboardingWindowTest, ScreenshotsOfBothPages)
{
    show();
    ASSERT_TRUE(saveWindowScreenshot(shownWindow, QStringLiteral("onboarding-welcome.png")));
    presetPage()->cardButton(TimingPreset::frequentBreaks)->click();
    EXPECT_TRUE(saveWindowScreenshot(shownWindow, QStringLiteral("onboarding-schedule.png")));
}
