#include "App/StatusItemController.h"
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityMonitor.h"
#include "FakeBreakBlockerManager.h"
#include "FakeClock.h"
#include "FakeServiceTimeline.h"
#include "FakeStatusNotifierItem.h"
#include "FakeTrayHostWatcher.h"
#include "LogCapture.h"
#include "UserDefaultsReset.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// The icon alone: an engine on fakes, hosts the test brings up and takes down, and the clicks it
// reports written into one story.
class StatusItemControllerTest : public ::testing::Test {
protected:
    StatusItemController& tray()
    {
        if (!m_tray) {
            StatusItemController::Environment env;
            env.engine = &engine;
            env.blockers = &blockers;
            auto watcher = std::make_unique<FakeTrayHostWatcher>();
            hosts = watcher.get();
            env.hosts = std::move(watcher);
            auto made = std::make_unique<FakeStatusNotifierItem>();
            item = made.get();
            env.statusNotifierItem = std::move(made);
            env.makeTimer = timers.factory();
            m_tray = std::make_unique<StatusItemController>(std::move(env));
            QObject::connect(m_tray.get(), &StatusItemController::clickedInHost,
                             [this] { story << QStringLiteral("click in host"); });
            QObject::connect(m_tray.get(), &StatusItemController::hostMenuShown, [this](bool open) {
                story << QStringLiteral("host menu %1").arg(open);
            });
            QObject::connect(
                m_tray.get(), &StatusItemController::menuRequested,
                [this](std::optional<QPoint> at) {
                    story << (at ? QStringLiteral("menu at %1,%2").arg(at->x()).arg(at->y())
                                 : QStringLiteral("menu"));
                });
        }
        return *m_tray;
    }
    void setHosts(bool statusNotifier, bool xembed)
    {
        hosts->statusNotifier = statusNotifier;
        hosts->xembed = xembed;
        emit hosts->changed();
    }

    bool m_cleared = (resetUserDefaults(), true);
    FakeClock clock;
    FakeActivityMonitor activity;
    FakeBreakBlockerManager blockers;
    ConfigurationManager config;
    BreakManager engine{activity, config, &blockers, clock};
    FakeServiceTimeline timers;
    QStringList story;
    FakeTrayHostWatcher* hosts = nullptr;
    FakeStatusNotifierItem* item = nullptr;

private:
    std::unique_ptr<StatusItemController> m_tray;
};

TEST_F(StatusItemControllerTest, FollowsHostsAndReportsTheirClicks)
{
    const QString noTray = QStringLiteral(
        "No system tray is available; Ostavel keeps timing breaks without its tray icon");
    LogCapture log("com.ostavel.app.App");
    EXPECT_EQ(tray().host(), TrayHost::none);
    EXPECT_EQ(tray().statusItem(), nullptr);
    timers.advance(999ms);
    EXPECT_TRUE(log.lines().isEmpty()) << "a host may still come within the grace";
    timers.advance(1ms);
    EXPECT_EQ(log.lines(), QStringList({noTray}));

    setHosts(false, true);
    ASSERT_NE(tray().statusItem(), nullptr);
    EXPECT_TRUE(tray().statusItem()->isVisible());
    EXPECT_EQ(tray().iconGeometry(), tray().statusItem()->geometry());
    emit tray().statusItem()->activated(QSystemTrayIcon::Trigger);
    emit tray().statusItem()->activated(QSystemTrayIcon::DoubleClick);
    emit tray().statusItem()->activated(QSystemTrayIcon::Context);

    // A StatusNotifierItem host takes over; the item shows what the XEmbed icon showed.
    blockers.block();
    tray().updateRedDot(true);
    tray().updateCountdownTitle();
    tray().updateCountdownTitle();
    EXPECT_EQ(tray().statusItemRedrawCount(), 1) << "nothing new to show, no redraw";
    setHosts(true, true);
    EXPECT_EQ(tray().host(), TrayHost::statusNotifier);
    EXPECT_FALSE(tray().statusItem()->isVisible());
    EXPECT_FALSE(tray().iconGeometry().isValid());
    EXPECT_EQ(item->registrations, 1);
    EXPECT_EQ(item->toolTip, QStringLiteral("Blocked"));
    item->accept();
    item->click(StatusNotifierItem::Activation::secondary, QPoint(40, 30));
    // A host that draws the menu: its clicks are its own, its openings are passed on.
    item->drawsMenu = true;
    item->click(StatusNotifierItem::Activation::primary, std::nullopt);
    item->onMenuShown(true);
    tray().setHostMenu({{}});
    EXPECT_EQ(item->menuUpdates, 1);
    timers.advance(5000ms);

    // Every host gone: said again after the grace, as the icon had been shown since.
    setHosts(false, false);
    EXPECT_EQ(tray().host(), TrayHost::none);
    timers.advance(1000ms);

    EXPECT_EQ(story,
              QStringList({"menu", "menu", "click in host", "menu at 40,30", "host menu 1"}));
    EXPECT_EQ(log.lines(), QStringList({noTray, "Tray icon shown in an XEmbed tray", noTray}));
}
