// The pill and the cursor card as real X11 windows on Xvfb, without and then with a compositor
// (xcompmgr). Screenshots of the whole screen are kept in the test-artifacts folder.
#include "../BreakManager/EngineHarness.h"
#include "Platform/Linux/X11CompositingState.h"
#include "Screenshots.h"
#include "Views/CursorAlertView.h"
#include "Views/PreAlertPillView.h"
#include "Windows/CursorAlertWindowController.h"
#include "Windows/PreAlertWindowController.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

namespace {
const QColor desktopColour(150, 170, 190);

class AlertPanelsX11 : public EngineTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        EngineTest::SetUp();
        configure([](Configuration& c) {
            c.workDurationSeconds = 200;
            c.preAlertDurationSeconds = 30;
            c.longBreakEnabled = false;
        });
        tickUntil(BreakState::preAlert);
        tick(20);
        // A plain desktop behind the panels, so that what shows through can be told apart.
        desktop.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
        QPalette palette;
        palette.setColor(QPalette::Window, desktopColour);
        desktop.setPalette(palette);
        desktop.setAutoFillBackground(true);
        desktop.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&desktop));
    }

    // Shows both panels, waits for the slide, and returns the screen.
    QImage showBoth(PreAlertWindowController& pill, CursorAlertWindowController& cursor,
                    const QString& name)
    {
        QCursor::setPos(QPoint(700, 500));
        pill.show();
        cursor.show();
        const QRect frame =
            PreAlertWindowController::finalFrame(QGuiApplication::primaryScreen()->geometry());
        EXPECT_TRUE(QTest::qWaitFor([&] { return pill.view()->geometry() == frame; }, 3000));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return cursor.view()->geometry().contains(QPoint(700 + 25, 500)); }, 3000));
        return saveScreenScreenshot(name + QStringLiteral(".png"));
    }

    static bool isDark(QRgb pixel) { return qGray(pixel) < 90; }

    QWidget desktop;
};

TEST_F(AlertPanelsX11, OpaqueWithoutCompositorTranslucentWithOne)
{
    // One watch for both panels and both halves, as the application shares one.
    const auto compositing = std::make_shared<X11CompositingState>();
    ASSERT_FALSE(compositing->isActive());
    const QRect frame =
        PreAlertWindowController::finalFrame(QGuiApplication::primaryScreen()->geometry());
    {
        PreAlertWindowController pill(engine(), compositing);
        CursorAlertWindowController cursor(engine(), compositing);
        const QImage screen = showBoth(pill, cursor, QStringLiteral("alerts-no-compositor"));
        const QRect card = pill.view()->cardRect().translated(frame.topLeft());
        // The card is an opaque dark fill; the panel's empty rest shows the desktop.
        EXPECT_TRUE(isDark(screen.pixel(card.left() + 8, card.center().y())));
        EXPECT_EQ(QColor(screen.pixel(card.center().x(), card.bottom() + 20)), desktopColour);
        EXPECT_EQ(QColor(screen.pixel(frame.center().x(), frame.bottom() - 2)), desktopColour);
        // The cursor card sits to the right of the pointer.
        EXPECT_TRUE(isDark(screen.pixel(700 + 30, 500)));
        EXPECT_EQ(QColor(screen.pixel(700 - 30, 500)), desktopColour);
        EXPECT_EQ(cursor.view()->windowTitle(), QStringLiteral("Ostavel Cursor Alert"));
        EXPECT_EQ(pill.view()->windowTitle(), QStringLiteral("Ostavel Pre-Alert"));
    }

    const QString xcompmgr = QStandardPaths::findExecutable(QStringLiteral("xcompmgr"));
    if (xcompmgr.isEmpty())
        GTEST_SKIP() << "xcompmgr is not installed";
    QProcess compositor;
    compositor.start(xcompmgr, {});
    ASSERT_TRUE(compositor.waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return compositing->isActive(); }, 5000));
    {
        PreAlertWindowController pill(engine(), compositing);
        CursorAlertWindowController cursor(engine(), compositing);
        const QImage screen = showBoth(pill, cursor, QStringLiteral("alerts-compositor"));
        const QRect card = pill.view()->cardRect().translated(frame.topLeft());
        // Translucent over the desktop: darker than it, but not black.
        const QColor inside(screen.pixel(card.left() + 8, card.center().y()));
        EXPECT_LT(inside.value(), desktopColour.value() / 2);
        EXPECT_GT(inside.value(), 20);
        EXPECT_EQ(QColor(screen.pixel(card.center().x(), card.bottom() + 20)), desktopColour);
    }
    compositor.terminate();
    compositor.waitForFinished(3000);
}
} // namespace
