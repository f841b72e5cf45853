#include "AppDelegateHarness.h"
#include "Views/MenuBarStatusView.h"
#include "Views/StatusPanelContent.h"

#include <QLabel>
#include <QProgressBar>
#include <limits>

using Line = StatusPanelContent::Line;
using Tone = StatusPanelContent::Tone;
using Tint = StatusPanelContent::Tint;

TEST(StatusPanelFormatters, DisableRemaining)
{
    const QDateTime now(QDate(2026, 3, 2), QTime(10, 0));
    auto remaining = [&](qint64 seconds) {
        return StatusPanelContent::formatDisableRemaining(now.addSecs(seconds), now);
    };
    EXPECT_EQ(remaining(59 * 60 + 59), QStringLiteral("59m"));
    EXPECT_EQ(remaining(3600), QStringLiteral("1h 0m"));
    EXPECT_EQ(remaining(4 * 3600 + 30 * 60), QStringLiteral("4h 30m"));
    EXPECT_EQ(remaining(-120), QStringLiteral("0m"));
    EXPECT_EQ(StatusPanelContent::formatDisableRemaining(now.addMSecs(4 * 3600 * 1000 - 200), now),
              QStringLiteral("3h 59m"));
}

namespace {
StatusPanelInput working()
{
    StatusPanelInput in;
    in.state = BreakState::active;
    in.workDurationSeconds = 2100;
    in.breakDurationSeconds = 40;
    in.longBreakDurationSeconds = 120;
    in.longBreakEnabled = true;
    in.longBreakIntervalBreaks = 2;
    in.now = QDateTime(QDate(2026, 3, 2), QTime(10, 0));
    return in;
}
} // namespace

TEST(StatusPanelContent, Working)
{
    StatusPanelInput in = working();
    in.accumulatedWorkTime = 600;
    in.timeUntilBreak = 1500;
    const StatusPanelContent c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("Working"));
    EXPECT_EQ(c.symbol, QStringLiteral("deskclock"));
    EXPECT_EQ(c.timeLine, QStringLiteral("Work Session: 10:00 / 35:00"));
    EXPECT_EQ(c.details, QList<Line>({{QStringLiteral("Due in 25m 0s")},
                                      {QStringLiteral("2 breaks until long break")}}));
    ASSERT_TRUE(c.progress);
    EXPECT_NEAR(c.progress->value, 600.0 / 2100.0, 1e-9);
    EXPECT_EQ(c.progress->tint, Tint::accent);
}

TEST(StatusPanelContent, IdleAfterNaturalBreak)
{
    StatusPanelInput in = working();
    in.state = BreakState::idle;
    in.isOnNaturalBreak = true;
    const StatusPanelContent c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("On a natural break"));
    EXPECT_EQ(c.symbol, QStringLiteral("figure.walk"));
    EXPECT_EQ(c.timeLine, QStringLiteral("Work Session: 0:00 / 35:00"));
    EXPECT_TRUE(c.details.isEmpty());
    EXPECT_FALSE(c.progress);

    in.isOnNaturalBreak = false;
    EXPECT_EQ(StatusPanelContent::make(in).title, QStringLiteral("Idle"));
    EXPECT_EQ(StatusPanelContent::make(in).symbol, QStringLiteral("figure.stand"));
}

TEST(StatusPanelContent, SnoozedCountsTheSnoozeInTheTotal)
{
    StatusPanelInput in = working();
    in.isSnoozed = true;
    in.snoozedTime = 300;
    in.accumulatedWorkTime = 1200;
    const StatusPanelContent c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("Break Snoozed"));
    EXPECT_EQ(c.symbol, QStringLiteral("zzz"));
    EXPECT_EQ(c.timeLine, QStringLiteral("Work Session: 20:00 / 40:00"));
    EXPECT_NEAR(c.progress->value, 0.5, 1e-9);
}

TEST(StatusPanelContent, BlockedListsTheBlockersInRed)
{
    StatusPanelInput in = working();
    in.blocked = true;
    in.blockerNames = {QStringLiteral("Firefox"), QStringLiteral("Meeting")};
    StatusPanelContent c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("Break Blocked"));
    EXPECT_EQ(c.symbol, QStringLiteral("clock.badge.exclamationmark"));
    EXPECT_EQ(c.details.first(),
              (Line{QStringLiteral("Break blocked (Firefox, Meeting)"), Tone::red}));
    EXPECT_EQ(c.progress->tint, Tint::red);

    in.blockerNames.clear();
    c = StatusPanelContent::make(in);
    EXPECT_EQ(c.details.first().text, QStringLiteral("Break blocked ()"));

    in.state = BreakState::preAlert;
    EXPECT_EQ(StatusPanelContent::make(in).title, QStringLiteral("Break Soon"));
    EXPECT_EQ(StatusPanelContent::make(in).symbol, QStringLiteral("exclamationmark.circle"));
}

TEST(StatusPanelContent, ProgressTurnsOrangePastFourFifthsAndStaysFull)
{
    StatusPanelInput in = working();
    in.workDurationSeconds = 1000;
    in.accumulatedWorkTime = 800;
    EXPECT_EQ(StatusPanelContent::make(in).progress->tint, Tint::accent);
    in.accumulatedWorkTime = 801;
    EXPECT_EQ(StatusPanelContent::make(in).progress->tint, Tint::orange);
    in.accumulatedWorkTime = 1500;
    EXPECT_EQ(StatusPanelContent::make(in).progress->value, 1.0);
}

TEST(StatusPanelContent, LongBreakCountdown)
{
    StatusPanelInput in = working();
    auto line = [&](qint64 completed) {
        in.completedBreakCount = completed;
        return StatusPanelContent::make(in).details.at(1);
    };
    EXPECT_EQ(line(0), (Line{QStringLiteral("2 breaks until long break")}));
    EXPECT_EQ(line(1), (Line{QStringLiteral("1 break until long break")}));
    EXPECT_EQ(line(2), (Line{QStringLiteral("Next break is a long break"), Tone::orange}));
    // Stored extremes must not overflow the count of breaks left.
    in.longBreakIntervalBreaks = std::numeric_limits<qint64>::min();
    EXPECT_EQ(line(5), (Line{QStringLiteral("Next break is a long break"), Tone::orange}));
    in.longBreakIntervalBreaks = std::numeric_limits<qint64>::max();
    EXPECT_EQ(line(0), (Line{QStringLiteral("9223372036854775807 breaks until long break")}));
    in.longBreakEnabled = false;
    EXPECT_EQ(StatusPanelContent::make(in).details.size(), 1);
}

TEST(StatusPanelContent, OnBreak)
{
    StatusPanelInput in = working();
    in.state = BreakState::onBreak;
    in.breakTimeRemaining = 30;
    StatusPanelContent c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("On Break"));
    EXPECT_EQ(c.symbol, QStringLiteral("figure.walk"));
    EXPECT_EQ(c.details, QList<Line>({{QStringLiteral("Break: 0:30 remaining")}}));
    EXPECT_NEAR(c.progress->value, 0.25, 1e-9);
    EXPECT_EQ(c.progress->tint, Tint::green);

    in.isLongBreak = true;
    in.breakTimeRemaining = 90;
    c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("Long Break"));
    EXPECT_NEAR(c.progress->value, 0.25, 1e-9) << "measured against the long break";

    in.longBreakDurationSeconds = 0;
    EXPECT_EQ(StatusPanelContent::make(in).progress->value, 0.0);
}

TEST(StatusPanelContent, Disabled)
{
    StatusPanelInput in = working();
    in.state = BreakState::disabled;
    in.disableEndDate = in.now.addSecs(4 * 3600 + 30 * 60);
    StatusPanelContent c = StatusPanelContent::make(in);
    EXPECT_EQ(c.title, QStringLiteral("Disabled"));
    EXPECT_EQ(c.symbol, QStringLiteral("moon.zzz"));
    EXPECT_EQ(c.timeLine, QStringLiteral("Re-enables in 4h 30m"));
    EXPECT_TRUE(c.details.isEmpty());
    EXPECT_FALSE(c.progress);

    in.disableEndDate = QDateTime();
    EXPECT_TRUE(StatusPanelContent::make(in).timeLine.isEmpty());
}

// The panel widget in the menu follows the engine while it exists.

class StatusPanelViewTest : public AppDelegateTest {};

TEST_F(StatusPanelViewTest, FollowsTheEngineLive)
{
    engine();
    MenuBarStatusView panel(engine(), delegate().configManager(), blockers, clock);
    auto text = [&](const char* name) {
        return panel.findChild<QLabel*>(QString::fromUtf8(name))->text();
    };
    EXPECT_EQ(text("title"), QStringLiteral("Idle"));
    EXPECT_EQ(text("timeLine"), QStringLiteral("Work Session: 0:00 / 35:00"));
    EXPECT_EQ(panel.width(), 240);

    activity->idleSeconds = 0;
    for (int i = 0; i < 76; ++i)
        engine().tick();
    settle();
    EXPECT_EQ(text("title"), QStringLiteral("Working"));
    EXPECT_EQ(text("timeLine"), QStringLiteral("Work Session: 1:15 / 35:00"));
    EXPECT_EQ(text("detail0"), QStringLiteral("Due in 33m 45s"));
    EXPECT_EQ(text("detail1"), QStringLiteral("2 breaks until long break"));
    EXPECT_FALSE(panel.findChild<QProgressBar*>(QStringLiteral("progress"))->isHidden());

    configure([](Configuration& c) { c.workDurationSeconds = 600; });
    settle();
    EXPECT_EQ(text("timeLine"), QStringLiteral("Work Session: 1:15 / 10:00"));

    engine().disable(clock.now().addSecs(3600));
    settle();
    EXPECT_EQ(text("title"), QStringLiteral("Disabled"));
    EXPECT_EQ(text("timeLine"), QStringLiteral("Re-enables in 1h 0m"));
    EXPECT_TRUE(panel.findChild<QLabel*>(QStringLiteral("detail0"))->isHidden());
    EXPECT_TRUE(panel.findChild<QProgressBar*>(QStringLiteral("progress"))->isHidden());
}

// Blocker names come from other programs; markup in them is text, not formatting.
TEST_F(StatusPanelViewTest, BlockerNamesAreShownAsTyped)
{
    engine();
    blockers->block({QStringLiteral("<b>Zoom</b><img src=\"x.png\">")});
    activity->idleSeconds = 0;
    engine().tick();
    MenuBarStatusView panel(engine(), delegate().configManager(), blockers, clock);
    auto* detail = panel.findChild<QLabel*>(QStringLiteral("detail0"));
    const QString typed = QStringLiteral("Break blocked (<b>Zoom</b><img src=\"x.png\">)");
    ASSERT_EQ(detail->text(), typed);
    // Drawn as rich text, the tags would take no room and "Zoom" alone would show.
    EXPECT_GE(detail->sizeHint().width(), QFontMetrics(detail->font()).horizontalAdvance(typed));
}
