// Runs under tests/support/with-session.sh through x11-layout.sh, which names the desktop in
// OSTAVEL_X11_LAYOUT: "wm" (openbox on one 1280x800 screen), "bare" (no window manager) or
// "dual" (openbox, two 1280x800 RandR monitors side by side). Each fixture runs on its own one.
#include "BreakBlocker/FullscreenBlocker.h"
#include "Configuration/ConfigurationManager.h"
#include "Platform/Linux/MakeLinuxBreakBlockerManager.h"
#include "Platform/Linux/QtScreenList.h"
#include "Platform/Linux/X11WindowList.h"

#include <QProcess>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {
constexpr int waitMs = 10000;
const QString ownerName = QStringLiteral("ostavel-test-window");

// Another application's window, shown by the helper program and closed with this object.
class HelperWindow {
public:
    explicit HelperWindow(const QStringList& arguments)
    {
        m_process.start(QStringLiteral(OSTAVEL_TEST_WINDOW), arguments);
        if (m_process.waitForStarted() && m_process.waitForReadyRead(waitMs))
            m_windowId = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~HelperWindow()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    qint64 pid() const { return m_process.processId(); }
    // Native window id, as xprop and xwininfo take it.
    QString windowId() const { return m_windowId; }

private:
    QProcess m_process;
    QString m_windowId;
};

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The listed window of `pid` once it has `bounds`.
std::optional<WindowInfo> waitForWindow(X11WindowList& list, qint64 pid, const QRect& bounds)
{
    std::optional<WindowInfo> found;
    (void)QTest::qWaitFor(
        [&] {
            for (const WindowInfo& window : list.windows()) {
                if (window.pid == pid && window.bounds == bounds)
                    found = window;
            }
            return found.has_value();
        },
        waitMs);
    return found;
}

bool listed(X11WindowList& list, qint64 pid)
{
    const std::vector<WindowInfo> windows = list.windows();
    return std::any_of(windows.begin(), windows.end(),
                       [pid](const WindowInfo& w) { return w.pid == pid; });
}

class X11Desktop : public ::testing::Test {
protected:
    void requireLayout(const char* layout)
    {
        if (qEnvironmentVariable("OSTAVEL_X11_LAYOUT") != QLatin1String(layout))
            GTEST_SKIP() << "needs the " << layout << " desktop";
    }
    BlockerCheckResult check()
    {
        return FullscreenBlocker::checkFullscreen(screens.screenFrames(), list);
    }

    X11WindowList list;
    QtScreenList screens;
};

class WindowManagerDesktop : public X11Desktop {
protected:
    void SetUp() override { requireLayout("wm"); }
};
class BareXServer : public X11Desktop {
protected:
    void SetUp() override { requireLayout("bare"); }
};
class TwoMonitors : public X11Desktop {
protected:
    void SetUp() override { requireLayout("dual"); }
};
} // namespace

TEST_F(WindowManagerDesktop, FullScreenWindowOfAnotherApplicationBlocks)
{
    ASSERT_EQ(screens.screenFrames(), QList<QRect>{QRect(0, 0, 1280, 800)});
    EXPECT_FALSE(check().isBlocking);
    HelperWindow player({"--fullscreen"});
    const std::optional<WindowInfo> window =
        waitForWindow(list, player.pid(), QRect(0, 0, 1280, 800));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->ownerName, ownerName);
    EXPECT_EQ(check(), BlockerCheckResult::blockedBy(ownerName));
}

TEST_F(WindowManagerDesktop, AWindowWithoutItsPidPropertyIsKnownByItsClient)
{
    // As xmessage and other plain X clients leave it.
    HelperWindow plain({"--fullscreen"});
    ASSERT_TRUE(waitForWindow(list, plain.pid(), QRect(0, 0, 1280, 800)));
    run("xprop", {"-id", plain.windowId(), "-remove", "_NET_WM_PID"});
    ASSERT_FALSE(run("xprop", {"-id", plain.windowId(), "_NET_WM_PID"}).contains("= "));
    EXPECT_TRUE(waitForWindow(list, plain.pid(), QRect(0, 0, 1280, 800)));
    EXPECT_EQ(check(), BlockerCheckResult::blockedBy(ownerName));
}

TEST_F(WindowManagerDesktop, OnePixelSmallerDoesNotBlockButExactSizeDoes)
{
    HelperWindow narrow({"--rect", "0,0,1279,800"});
    ASSERT_TRUE(waitForWindow(list, narrow.pid(), QRect(0, 0, 1279, 800)));
    EXPECT_FALSE(check().isBlocking);
    HelperWindow exact({"--rect", "0,0,1280,800"});
    ASSERT_TRUE(waitForWindow(list, exact.pid(), QRect(0, 0, 1280, 800)));
    EXPECT_TRUE(check().isBlocking);
}

TEST_F(WindowManagerDesktop, OwnFullScreenWindowDoesNotBlock)
{
    QWindow own;
    own.showFullScreen();
    ASSERT_TRUE(waitForWindow(list, QCoreApplication::applicationPid(), QRect(0, 0, 1280, 800)));
    EXPECT_FALSE(check().isBlocking);
}

TEST_F(WindowManagerDesktop, MinimizedWindowsAreLeftOut)
{
    HelperWindow minimized({"--minimized"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return run("xprop", {"-id", minimized.windowId(), "_NET_WM_STATE"})
                .contains("_NET_WM_STATE_HIDDEN");
        },
        waitMs));
    EXPECT_FALSE(listed(list, minimized.pid()));
}

TEST_F(WindowManagerDesktop, ClientSideShadowIsNotPartOfTheWindow)
{
    HelperWindow shadowed({"--rect", "100,100,400,300"});
    ASSERT_TRUE(waitForWindow(list, shadowed.pid(), QRect(100, 100, 400, 300)));
    run("xprop", {"-id", shadowed.windowId(), "-f", "_GTK_FRAME_EXTENTS", "32c", "-set",
                  "_GTK_FRAME_EXTENTS", "10,10,20,30"});
    EXPECT_TRUE(waitForWindow(list, shadowed.pid(), QRect(110, 120, 380, 250)));
}

TEST_F(WindowManagerDesktop, ProductionManagerSeesAFullScreenWindow)
{
    ConfigurationManager configManager;
    Configuration config = configManager.config();
    config.breakBlockFullscreenEnabled = true;
    config.breakBlockMeetingEnabled = true;
    config.breakBlockAppsEnabled = true;
    configManager.setConfig(config);
    std::unique_ptr<BreakBlockerManager> manager = makeLinuxBreakBlockerManager(configManager);
    manager->setRefreshDelay(std::chrono::milliseconds(50));
    manager->startRefreshing();
    HelperWindow player({"--fullscreen"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager->isActive(); }, waitMs));
    EXPECT_EQ(manager->activeBlockerNames(), QStringList{ownerName});
    manager->stopRefreshing();
}

TEST_F(BareXServer, WithoutAWindowManagerNothingIsListed)
{
    HelperWindow covering({"--rect", "0,0,1280,800"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return run("xwininfo", {"-id", covering.windowId()}).contains("IsViewable");
        },
        waitMs));
    EXPECT_TRUE(list.windows().empty());
    EXPECT_FALSE(check().isBlocking);
}

TEST_F(TwoMonitors, FullScreenOnTheSecondMonitorBlocks)
{
    ASSERT_EQ(screens.screenFrames(),
              (QList<QRect>{QRect(0, 0, 1280, 800), QRect(1280, 0, 1280, 800)}));
    HelperWindow half({"--rect", "0,0,1280,800"});
    ASSERT_TRUE(waitForWindow(list, half.pid(), QRect(0, 0, 1280, 800)));
    HelperWindow slides({"--fullscreen", "--screen", "1"});
    ASSERT_TRUE(waitForWindow(list, slides.pid(), QRect(1280, 0, 1280, 800)));
    EXPECT_EQ(check(), BlockerCheckResult::blockedBy(ownerName));
}
