#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityMonitor.h"
#include "FakeClock.h"
#include "FakeCompositingState.h"
#include "FakeKeyboardFocus.h"
#include "FakeScreenLocker.h"
#include "UserDefaultsReset.h"
#include "Views/BreakOverlayView.h"
#include "Views/DurationText.h"
#include "Views/MotivationTexts.h"
#include "Views/OstavelButton.h"
#include "Windows/BreakWindow.h"
#include "Windows/BreakWindowController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// The real engine on fakes, with the delegate's wiring of the break callbacks to a controller.
class BreakOverlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetUserDefaults();
        ASSERT_EQ(QGuiApplication::screens().size(), 2) << "needs the two-screen offscreen setup";
        engine.onBreakStart = [this] { controller().show(); };
        engine.onBreakEnd = [this] { controller().dismiss(); };
    }

    BreakWindowController& controller()
    {
        if (!m_controller) {
            auto fakeLocker = std::make_unique<FakeScreenLocker>();
            auto fakeFocus = std::make_unique<FakeKeyboardFocus>();
            auto compositing = std::make_unique<FakeCompositingState>(compositorRuns);
            locker = fakeLocker.get();
            focus = fakeFocus.get();
            compositingState = compositing.get();
            m_controller = std::make_unique<BreakWindowController>(
                engine, clock, std::move(fakeLocker), std::move(fakeFocus), std::move(compositing));
        }
        return *m_controller;
    }

    // The break windows a person could see, wherever they came from.
    static QList<QWidget*> visibleBreakWindows()
    {
        QList<QWidget*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->windowTitle() == BreakWindow::title)
                found.append(widget);
        return found;
    }

    static QStringList texts(QWidget* window)
    {
        QStringList list;
        for (QLabel* label : window->findChildren<QLabel*>())
            list << label->text();
        for (OstavelButton* button : window->findChildren<OstavelButton*>())
            list << button->text();
        return list;
    }

    // Fades run on the wall clock, so a loaded machine may need longer than their length.
    bool waitForVisible(qsizetype count)
    {
        return QTest::qWaitFor([&] { return visibleBreakWindows().size() == count; }, 5000);
    }

    QTemporaryDir dir;
    FakeActivityMonitor activity;
    ConfigurationManager config;
    FakeClock clock;
    BreakManager engine{activity, config, nullptr, clock, dir.filePath("session.log")};
    bool compositorRuns = true;
    FakeScreenLocker* locker = nullptr;
    FakeKeyboardFocus* focus = nullptr;
    FakeCompositingState* compositingState = nullptr;

private:
    std::unique_ptr<BreakWindowController> m_controller;
};
} // namespace

// Two screens: one window each, in screen order and over the whole screen; only the primary one
// has the texts, the buttons and the keyboard. The buttons reach the
// engine and the locker; without a compositor the fill is opaque.
TEST_F(BreakOverlayTest, CoversEveryScreenWithTheViewOnThePrimaryOnly)
{
    for (bool runs : {true, false}) {
        SCOPED_TRACE(runs ? "compositor" : "no compositor");
        compositorRuns = runs;
        if (compositingState)
            compositingState->active = runs;
        engine.startBreak();
        const QList<BreakWindow*> windows = controller().windows();
        ASSERT_EQ(windows.size(), 2);
        EXPECT_EQ(visibleBreakWindows().size(), 2);
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(windows[i]->geometry(), screens[i]->geometry());
            EXPECT_TRUE(windows[i]->windowFlags() & Qt::X11BypassWindowManagerHint);
            EXPECT_TRUE(windows[i]->windowFlags() & Qt::WindowStaysOnTopHint);
            // No tool window: Qt would name its never-mapped leader window as transient parent.
            EXPECT_EQ(windows[i]->windowType(), Qt::Window);
            EXPECT_TRUE(windows[i]->testAttribute(Qt::WA_X11NetWmWindowTypeUtility));
            QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            windows[i]->render(&image, {}, QRegion(0, 0, 8, 8));
            if (runs)
                EXPECT_LT(image.pixelColor(4, 4).alpha(), 255);
            else
                EXPECT_EQ(image.pixelColor(4, 4).alpha(), 255);
        }
        ASSERT_EQ(screens[0], QGuiApplication::primaryScreen());

        const QStringList mainTexts = texts(windows[0]);
        EXPECT_TRUE(mainTexts.contains(QStringLiteral("Skip")));
        EXPECT_TRUE(mainTexts.contains(QStringLiteral("Lock Screen")));
        EXPECT_TRUE(mainTexts.contains(QStringLiteral("or press \u21E5 Tab twice to skip")));
        EXPECT_TRUE(mainTexts.contains(DurationText::clock(engine.currentBreakDuration())));
        EXPECT_TRUE(std::any_of(mainTexts.begin(), mainTexts.end(), [](const QString& text) {
            return MotivationTexts::shortBreak.contains(text);
        }));
        EXPECT_FALSE(windows[0]->windowFlags() & Qt::WindowTransparentForInput);
        EXPECT_EQ(focus->taken.value(0), windows[0]->winId());

        EXPECT_TRUE(texts(windows[1]).isEmpty());
        // A translucent cover lets clicks through; an opaque one takes them, since the windows
        // beneath cannot be seen.
        EXPECT_EQ(bool(windows[1]->windowFlags() & Qt::WindowTransparentForInput), runs);
        EXPECT_EQ(windows[1]->testAttribute(Qt::WA_TransparentForMouseEvents), runs);
        EXPECT_TRUE(windows[1]->windowFlags() & Qt::WindowDoesNotAcceptFocus);

        OstavelButton* lock = nullptr;
        OstavelButton* skip = nullptr;
        for (OstavelButton* button : windows[0]->findChildren<OstavelButton*>())
            (button->text() == QStringLiteral("Skip") ? skip : lock) = button;
        QTest::mouseClick(lock, Qt::LeftButton);
        EXPECT_EQ(locker->lockCount, 1);
        EXPECT_EQ(engine.state(), BreakState::onBreak);
        QTest::mouseClick(skip, Qt::LeftButton);
        EXPECT_EQ(engine.state(), BreakState::idle);
        EXPECT_TRUE(controller().windows().isEmpty());
        EXPECT_EQ(focus->givenBack, 1);
        EXPECT_TRUE(waitForVisible(0));
        focus->taken.clear();
        focus->givenBack = 0;
        locker->lockCount = 0;
    }
}

// Where only a managed window gets the keys (XWayland), the main cover is one, full screen, above
// the others and without a frame, and takes the keyboard; the dimmed cover stays unmanaged.
TEST_F(BreakOverlayTest, MainCoverIsManagedWhereOnlyManagedWindowsGetKeys)
{
    controller();
    focus->managed = true;
    engine.startBreak();
    const QList<BreakWindow*> windows = controller().windows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_FALSE(windows[0]->windowFlags() & Qt::X11BypassWindowManagerHint);
    EXPECT_EQ(windows[0]->windowType(), Qt::Window);
    EXPECT_TRUE(windows[0]->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(windows[0]->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(windows[0]->windowState() & Qt::WindowFullScreen);
    // Only an ordinary window may go full screen.
    EXPECT_FALSE(windows[0]->testAttribute(Qt::WA_X11NetWmWindowTypeUtility));
    EXPECT_EQ(windows[0]->geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(focus->taken, QList<quintptr>{windows[0]->winId()});
    EXPECT_TRUE(windows[1]->windowFlags() & Qt::X11BypassWindowManagerHint);
    EXPECT_TRUE(windows[1]->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_FALSE(windows[1]->windowState() & Qt::WindowFullScreen);
    engine.skipBreak();
    EXPECT_EQ(focus->givenBack, 1);
}

// show() while shown swaps the windows at once; dismiss() then show() inside the fade-out leaves
// the old set to finish fading and exactly one set afterwards.
TEST_F(BreakOverlayTest, ShowingAgainLeavesExactlyOneSet)
{
    controller().show();
    const QList<BreakWindow*> first = controller().windows();
    controller().show();
    const QList<BreakWindow*> second = controller().windows();
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(visibleBreakWindows().size(), 2);
    for (QWidget* window : visibleBreakWindows())
        EXPECT_TRUE(second.contains(window));

    // Shown again before the event loop runs: still inside the fade-out, however slow the machine.
    controller().dismiss();
    controller().show();
    const QList<BreakWindow*> third = controller().windows();
    EXPECT_EQ(visibleBreakWindows().size(), 4) << "the old set fades out beside the new one";
    ASSERT_TRUE(waitForVisible(2));
    const QList<QWidget*> visible = visibleBreakWindows();
    for (BreakWindow* window : third) {
        EXPECT_TRUE(visible.contains(window));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowOpacity() == 1.0; }, 5000));
    }
    controller().dismiss();
    EXPECT_TRUE(waitForVisible(0));
}

// Two Tab presses less than 0.4 s apart skip; exactly 0.4 s starts a new pair; Backtab counts;
// Shift and other keys neither count nor reset, and go on to normal handling.
TEST_F(BreakOverlayTest, DoubleTabSkips)
{
    struct Press {
        int afterMs;
        Qt::Key key;
    };
    struct Row {
        const char* name;
        std::vector<Press> presses;
        std::vector<int> skipsAt;
    };
    const Row rows[] = {
        {"0.3 s apart", {{0, Qt::Key_Tab}, {300, Qt::Key_Tab}}, {1}},
        {"exactly 0.4 s, then 0.3 s",
         {{0, Qt::Key_Tab}, {400, Qt::Key_Tab}, {300, Qt::Key_Tab}},
         {2}},
        {"Backtab counts", {{0, Qt::Key_Tab}, {399, Qt::Key_Backtab}}, {1}},
        {"lone Shift between", {{0, Qt::Key_Tab}, {100, Qt::Key_Shift}, {100, Qt::Key_Tab}}, {2}},
        {"other key between", {{0, Qt::Key_Tab}, {100, Qt::Key_A}, {100, Qt::Key_Tab}}, {2}},
        {"third press starts a new pair",
         {{0, Qt::Key_Tab}, {100, Qt::Key_Tab}, {100, Qt::Key_Tab}, {100, Qt::Key_Tab}},
         {1, 3}},
        {"slow presses", {{0, Qt::Key_Tab}, {500, Qt::Key_Tab}, {1000, Qt::Key_Tab}}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.onBreakStart = nullptr;
        engine.onBreakEnd = nullptr;
        engine.startBreak();
        BreakWindow window(QGuiApplication::primaryScreen(), &engine, clock, false);
        std::vector<int> skips;
        for (size_t i = 0; i < row.presses.size(); ++i) {
            clock.set(clock.now().addMSecs(row.presses[i].afterMs));
            QKeyEvent press(QEvent::KeyPress, row.presses[i].key,
                            row.presses[i].key == Qt::Key_Backtab ? Qt::ShiftModifier
                                                                  : Qt::NoModifier);
            QCoreApplication::sendEvent(&window, &press);
            const bool isTab =
                row.presses[i].key == Qt::Key_Tab || row.presses[i].key == Qt::Key_Backtab;
            EXPECT_EQ(press.isAccepted(), isTab) << "press " << i;
            if (engine.state() == BreakState::idle) {
                skips.push_back(int(i));
                engine.startBreak();
            }
        }
        EXPECT_EQ(skips, row.skipsAt);
        engine.skipBreak();
    }
}
