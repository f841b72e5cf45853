#include "App/MenuBarHintController.h"
#include "FakePointerButtonState.h"
#include "FakeServiceTimeline.h"
#include "Views/MenuBarHintView.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

// The hint alone, on fake pointer buttons and the fixture's time line.
class MenuBarHintControllerTest : public ::testing::Test {
protected:
    MenuBarHintController& hints()
    {
        if (!m_hints) {
            MenuBarHintController::Environment env;
            env.host = [this] { return host; };
            env.iconGeometry = [] { return QRect(); };
            env.makePointerButtonState = [this] {
                auto pointer = std::make_unique<FakePointerButtonState>();
                pointer->watchable = watchable;
                pointerButtons = pointer.get();
                return pointer;
            };
            env.makeTimer = timers.factory();
            env.now = timers.clock();
            m_hints = std::make_unique<MenuBarHintController>(std::move(env));
        }
        return *m_hints;
    }
    MenuBarHintView* hint() { return hints().view(); }

    FakeServiceTimeline timers;
    TrayHost host = TrayHost::xembed;
    bool watchable = false;
    FakePointerButtonState* pointerButtons = nullptr;

private:
    std::unique_ptr<MenuBarHintController> m_hints;
};

TEST_F(MenuBarHintControllerTest, ClosesOnAPressElsewhere)
{
    // Where presses cannot be watched, the buttons are polled while the hint is shown.
    ASSERT_TRUE(hints().show());
    ASSERT_NE(hint(), nullptr);
    ASSERT_NE(pointerButtons, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hint()));
    // Pressed on the hint itself, which hears the press too: it stays.
    pointerButtons->pressed = true;
    QTest::mousePress(hint(), Qt::LeftButton);
    timers.advance(400ms);
    EXPECT_NE(hint(), nullptr);
    pointerButtons->pressed = false;
    timers.advance(150ms);

    pointerButtons->pressed = true;
    timers.advance(3000ms);
    EXPECT_EQ(hint(), nullptr);
    const int reads = pointerButtons->reads;
    timers.advance(300ms);
    EXPECT_EQ(pointerButtons->reads, reads) << "polling stops with the hint";
}

// Each press is judged on its own once our own event of it has had time to arrive: 50 ms after
// the desktop-wide report, or 600 ms where a StatusNotifierItem host reports clicks on our icon.
TEST_F(MenuBarHintControllerTest, OwnPressesKeepItOpenAndAForeignOneClosesIt)
{
    host = TrayHost::none;
    EXPECT_FALSE(hints().show()) << "no icon to point at";
    EXPECT_EQ(hint(), nullptr);
    EXPECT_EQ(pointerButtons, nullptr) << "nothing is watched without a hint";

    host = TrayHost::statusNotifier;
    watchable = true;
    ASSERT_TRUE(hints().show());
    ASSERT_TRUE(pointerButtons->isWatched());
    EXPECT_EQ(timers.pendingCount(), 0) << "watched presses need no polling";

    // A click on the icon in the host, reported over the bus only at the release.
    pointerButtons->press();
    timers.advance(500ms);
    hints().noteClickOnIcon();
    timers.advance(1000ms);
    EXPECT_NE(hint(), nullptr);

    // A press on one of our windows: its desktop-wide report may come before or after our own
    // event of it.
    host = TrayHost::xembed;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hint()));
    pointerButtons->press();
    timers.advance(30ms);
    QTest::mousePress(hint(), Qt::LeftButton);
    pointerButtons->press();
    timers.advance(1000ms);
    EXPECT_NE(hint(), nullptr);

    // Long after: a press elsewhere closes it once its 50 ms are up.
    pointerButtons->press();
    timers.advance(49ms);
    EXPECT_NE(hint(), nullptr);
    timers.advance(1ms);
    EXPECT_EQ(hint(), nullptr);
    EXPECT_FALSE(pointerButtons->isWatched());

    // A hint shown anew forgets the presses on the one before.
    ASSERT_TRUE(hints().show());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hint()));
    QTest::mousePress(hint(), Qt::LeftButton);
    ASSERT_TRUE(hints().show());
    pointerButtons->press();
    timers.advance(50ms);
    EXPECT_EQ(hint(), nullptr);
}
