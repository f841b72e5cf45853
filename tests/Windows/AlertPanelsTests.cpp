#include "../BreakManager/EngineHarness.h"
#include "FakeCompositingState.h"
#include "Views/CursorAlertView.h"
#include "Views/OstavelButton.h"
#include "Views/PreAlertPillView.h"
#include "Views/SnoozeButton.h"
#include "Windows/CursorAlertWindowController.h"
#include "Windows/PreAlertWindowController.h"

#include <QApplication>
#include <QEnterEvent>
#include <QScreen>
#include <QTest>

namespace {
using Area = CursorAlertWindowController::ScreenArea;

TEST(AlertTexts, PillAndCursorTexts)
{
    struct Title {
        bool isLong;
        bool awaiting;
        double countdown;
        QString pill;
    };
    for (const Title& t : std::initializer_list<Title>{
             {false, false, 59.9, "Your short break starts in 59s"},
             {true, false, 0.4, "Your long break starts in 0s"},
             {false, false, 1234, "Your short break starts in 1234s"},
             {false, true, 30, "Your short break is about to begin..."},
             {true, true, 30, "Your long break is about to begin..."},
         })
        EXPECT_EQ(PreAlertPillView::titleText(t.isLong, t.awaiting, t.countdown), t.pill);

    struct Work {
        bool isLong;
        double seconds;
        QString line;
    };
    for (const Work& w : std::initializer_list<Work>{
             {false, 0, "You have been working for 0 minutes."},
             {false, 1, "You have been working for 1 minute."},
             {false, 60, "You have been working for 1 minute."},
             {false, 61, "You have been working for 2 minutes."},
             {true, 3600, "You have been working for 60 minutes since your last long break."},
             {true, 59, "You have been working for 1 minute since your last long break."},
         })
        EXPECT_EQ(PreAlertPillView::workText(w.isLong, w.seconds), w.line) << w.seconds;
    EXPECT_EQ(PreAlertPillView::reassuranceText(true),
              QStringLiteral("You'll come back to this with fresh eyes."));
    EXPECT_EQ(PreAlertPillView::reassuranceText(false),
              QStringLiteral("A quick break now keeps you focused longer."));

    EXPECT_EQ(CursorAlertView::title(false, 9.6), QStringLiteral("Break starts in 9s"));
    EXPECT_EQ(CursorAlertView::title(true, 9.6), QStringLiteral("Your break is about to begin…"));
}

TEST(CursorAlertPosition, FlipsAtTheVisibleRightEdgeOfThePointersScreen)
{
    // Two screens side by side; the left one has a 24-point panel on top and an 80-point dock
    // on the right of its visible area.
    const Area left{{0, 0, 1280, 800}, {0, 24, 1200, 776}};
    const Area right{{1280, 0, 1024, 768}, {1280, 0, 1024, 768}};
    const QSize card(300, 60);
    struct Case {
        QPoint pointer;
        std::optional<QPoint> origin;
        const char* why;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{880, 400}, QPoint(900, 370), "right edge exactly at the visible edge stays right"},
             {{881, 400}, QPoint(561, 370), "one point past flips left"},
             {{100, 795}, QPoint(120, 765), "bottom is not clamped"},
             {{100, 2}, QPoint(120, -28), "top is not clamped"},
             {{1279, 10}, QPoint(959, -20), "last column of the left screen"},
             {{1280, 10}, QPoint(1300, -20), "the right screen's first column"},
             {{1984, 300}, QPoint(2004, 270), "right screen's edge exactly"},
             {{1985, 300}, QPoint(1665, 270), "right screen, one past"},
             {{-50, 900}, QPoint(-30, 870), "on no screen: the main screen's area"},
         })
        EXPECT_EQ(CursorAlertWindowController::cardPosition(c.pointer, card, {left, right}, left),
                  c.origin)
            << c.why;
    EXPECT_EQ(CursorAlertWindowController::cardPosition({5, 5}, card, {}, std::nullopt),
              std::nullopt);
}

class PillOnEngine : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        configure([](Configuration& c) {
            c.workDurationSeconds = 200;
            c.preAlertDurationSeconds = 30;
            c.snoozeDurationSeconds = 45.9;
            c.longBreakEnabled = false;
        });
        tickUntil(BreakState::preAlert);
        tick(2);
        events.clear();
    }
};

TEST_F(PillOnEngine, ShowsTheEngineAndEachControlGivesItsCommand)
{
    {
        PreAlertPillView pill(engine(), false);
        EXPECT_EQ(pill.texts(), (QStringList{"Your short break starts in 28s",
                                             "A quick break now keeps you focused longer.",
                                             "You have been working for 3 minutes."}));
        tick();
        EXPECT_EQ(pill.texts().first(), QStringLiteral("Your short break starts in 27s"));
        EXPECT_EQ(pill.snoozeButton()->options().at(0)->text(), QStringLiteral("45s"));
        EXPECT_EQ(pill.snoozeButton()->options().at(1)->text(), QStringLiteral("5m"));
        configure([](Configuration& c) { c.snoozeDurationSeconds = 600; });
        EXPECT_EQ(pill.snoozeButton()->options().at(0)->text(), QStringLiteral("10m"));
        configure([](Configuration& c) { c.snoozeDurationSeconds = 45.9; });
    }

    struct Case {
        std::function<QAbstractButton*(PreAlertPillView&)> button;
        BreakState state;
        QStringList events;
        double snoozed;
    };
    const Case cases[] = {
        {[](PreAlertPillView& p) { return p.startNowButton(); },
         BreakState::onBreak,
         {"172 preAlertEnd", "172 breakStart"},
         0},
        {[](PreAlertPillView& p) { return p.skipButton(); },
         BreakState::idle,
         {"172 preAlertEnd"},
         0},
        {[](PreAlertPillView& p) { return p.closeButton(); },
         BreakState::preAlert,
         {"172 preAlertEnd"},
         0},
        {[](PreAlertPillView& p) { return p.snoozeButton()->options().at(0); },
         BreakState::active,
         {"172 preAlertEnd"},
         45.9},
        {[](PreAlertPillView& p) { return p.snoozeButton()->options().at(1); },
         BreakState::active,
         {"172 preAlertEnd"},
         300},
    };
    for (const Case& c : cases) {
        createEngine();
        tickUntil(BreakState::preAlert);
        tick(2);
        events.clear();
        PreAlertPillView pill(engine(), false);
        pill.show();
        // The snooze options show only while the pointer is over the control.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(pill.snoozeButton(), &enter);
        QAbstractButton* button = c.button(pill);
        ASSERT_TRUE(QTest::qWaitFor([&] { return button->isVisible(); }, 2000));
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(engine().state(), c.state) << button->text().toStdString();
        EXPECT_EQ(events, c.events) << button->text().toStdString();
        EXPECT_DOUBLE_EQ(engine().snoozedTime(), c.snoozed) << button->text().toStdString();
    }
}

TEST_F(PillOnEngine, ControllersShowOneWindowAndStopPollingWhenHidden)
{
    PreAlertWindowController pill(engine(), std::make_shared<FakeCompositingState>(false));
    pill.show();
    PreAlertPillView* first = pill.view();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Ostavel Pre-Alert"));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    // No tool window: Qt would name its never-mapped leader window as transient parent.
    EXPECT_EQ(first->windowType(), Qt::Window);
    EXPECT_TRUE(first->testAttribute(Qt::WA_X11NetWmWindowTypeUtility));
    const QRect expected =
        PreAlertWindowController::finalFrame(QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(expected.width(), 480);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first->geometry() == expected; }, 2000));
    // The buttons lie inside the panel, so none is cut.
    for (QWidget* button :
         {static_cast<QWidget*>(first->startNowButton()),
          static_cast<QWidget*>(first->skipButton()), static_cast<QWidget*>(first->closeButton())})
        EXPECT_TRUE(first->rect().contains(QRect(button->mapTo(first, QPoint()), button->size())));

    // Showing again replaces the pill; the old one leaves and is gone after its animation.
    QPointer<PreAlertPillView> leaving = first;
    pill.show();
    EXPECT_NE(pill.view(), first);
    EXPECT_TRUE(leaving->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(QTest::qWaitFor([&] { return leaving.isNull(); }, 2000));
    pill.dismiss();
    EXPECT_EQ(pill.view(), nullptr);
    pill.dismiss();

    int polls = 0;
    CursorAlertWindowController cursor(engine(), std::make_shared<FakeCompositingState>(false),
                                       [&] {
                                           ++polls;
                                           return QPoint(100 + polls, 200);
                                       });
    cursor.show();
    ASSERT_NE(cursor.view(), nullptr);
    EXPECT_EQ(cursor.view()->windowTitle(), QStringLiteral("Ostavel Cursor Alert"));
    EXPECT_TRUE(cursor.view()->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_EQ(cursor.view()->windowType(), Qt::Window);
    EXPECT_TRUE(cursor.view()->testAttribute(Qt::WA_X11NetWmWindowTypeUtility));
    EXPECT_TRUE(cursor.isTracking());
    EXPECT_TRUE(QTest::qWaitFor([&] { return polls >= 3; }, 2000));
    EXPECT_EQ(cursor.view()->pos(), QPoint(120 + polls, 200 - cursor.view()->height() / 2));
    cursor.dismiss();
    EXPECT_FALSE(cursor.isTracking());
    EXPECT_EQ(cursor.view(), nullptr);
    const int pollsWhenHidden = polls;
    QTest::qWait(4 * CursorAlertWindowController::pollIntervalMs);
    EXPECT_EQ(polls, pollsWhenHidden);
}
} // namespace
