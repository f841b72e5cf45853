#include "AppDelegateHarness.h"
#include "FakeStatusNotifierItem.h"
#include "LogCapture.h"
#include "Views/MenuBarStatusView.h"
#include "Views/PreAlertPillView.h"

#include <QMenu>
#include <QPainter>
#include <QPixmapCache>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidgetAction>

// The status menu as the user sees it, one string per item: "---" for a separator, "[panel]"
// for the status panel, "Disable > ..." for the submenu, a shortcut in parentheses.
namespace {
QStringList describe(const QMenu& menu)
{
    QStringList items;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            items << QStringLiteral("---");
        } else if (auto* widgetAction = qobject_cast<QWidgetAction*>(action)) {
            EXPECT_NE(qobject_cast<MenuBarStatusView*>(widgetAction->defaultWidget()), nullptr);
            items << QStringLiteral("[panel]");
        } else if (QMenu* submenu = action->menu()) {
            QStringList children;
            for (QAction* child : submenu->actions())
                children << child->text();
            items << action->text() + QStringLiteral(" > ") + children.join(QStringLiteral(" | "));
        } else {
            QString text = action->text();
            if (!action->shortcut().isEmpty())
                text += QStringLiteral(" (") + action->shortcut().toString() + QLatin1Char(')');
            items << text;
        }
    }
    return items;
}

QAction* findAction(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (QMenu* submenu = action->menu()) {
            if (QAction* found = findAction(*submenu, text))
                return found;
        }
    }
    return nullptr;
}

const QStringList tail = {"---", "Send Feedback…", "---", "Settings… (Ctrl+,)",
                          "Quit Ostavel (Ctrl+Q)"};
// Tells whether anything went into QPixmapCache since it was made. The cache makes room for a new
// entry by dropping its least recently used ones; with room for one small entry only, the
// sentinel put in first is gone as soon as anything else goes in.
class PixmapCacheWatch {
public:
    PixmapCacheWatch()
    {
        QPixmapCache::clear();
        QPixmapCache::setCacheLimit(1);
        QPixmap sentinel(16, 16);
        sentinel.fill(Qt::red);
        m_key = QPixmapCache::insert(sentinel);
    }
    ~PixmapCacheWatch() { QPixmapCache::setCacheLimit(m_limit); }
    bool untouched() const
    {
        QPixmap found;
        return QPixmapCache::find(m_key, &found);
    }

private:
    int m_limit = QPixmapCache::cacheLimit();
    QPixmapCache::Key m_key;
};

const QString disableMenu =
    QStringLiteral("Disable > For 1 Hour | For 4 Hours | For the Rest of the Day");
} // namespace

class StatusMenuTest : public AppDelegateTest {
protected:
    void SetUp() override
    {
        AppDelegateTest::SetUp();
        delegate().startMainApp();
        settle();
    }

    StatusItemController& tray() { return *delegate().statusItemController(); }
    StatusMenuController& menus() { return *delegate().statusMenuController(); }
    QMenu* statusMenu() { return menus().menu(); }

    QStringList openMenu()
    {
        menus().prepare();
        return describe(*statusMenu());
    }

    void trigger(const QString& text)
    {
        menus().prepare();
        QAction* action = findAction(*statusMenu(), text);
        ASSERT_NE(action, nullptr) << text.toStdString();
        action->trigger();
    }

    void work()
    {
        activity->idleSeconds = 0;
        engine().tick();
    }
};

TEST_F(StatusMenuTest, ItemsInEachState)
{
    EXPECT_EQ(openMenu(), QStringList({"[panel]", "---", disableMenu}) + tail) << "idle";

    work();
    ASSERT_EQ(engine().state(), BreakState::active);
    const QStringList working =
        QStringList({"[panel]", "---", "Start Break", "Skip Next Break", "---", disableMenu}) +
        tail;
    EXPECT_EQ(openMenu(), working) << "active";

    blockers->block();
    work();
    EXPECT_EQ(openMenu(), working) << "blocked";
    blockers->clear();

    engine().startBreak();
    EXPECT_EQ(openMenu(), QStringList({"[panel]", "---", "Skip Break", "---", disableMenu}) + tail)
        << "on a break";

    engine().disableForRestOfDay();
    EXPECT_EQ(openMenu(), QStringList({"[panel]", "---", "Re-enable"}) + tail) << "disabled";
}

TEST_F(StatusMenuTest, PreAlertOffersTheBreakCommands)
{
    configure([](Configuration& c) {
        c.workDurationSeconds = 3;
        c.preAlertDurationSeconds = 2;
    });
    work();
    work();
    ASSERT_EQ(engine().state(), BreakState::preAlert);
    EXPECT_EQ(openMenu(), QStringList({"[panel]", "---", "Start Break", "Skip Next Break", "---",
                                       disableMenu}) +
                              tail);
}

TEST_F(StatusMenuTest, RebuildingReplacesEverythingIncludingTheSubmenu)
{
    for (int i = 0; i < 3; ++i)
        openMenu();
    EXPECT_EQ(statusMenu()->findChildren<QMenu*>().size(), 1);
    EXPECT_EQ(statusMenu()->findChildren<MenuBarStatusView*>().size(), 1);
}

TEST_F(StatusMenuTest, ActionsReachTheEngine)
{
    work();
    trigger(QStringLiteral("Start Break"));
    EXPECT_EQ(engine().state(), BreakState::onBreak);

    trigger(QStringLiteral("Skip Break"));
    EXPECT_EQ(engine().state(), BreakState::idle);

    work();
    trigger(QStringLiteral("Skip Next Break"));
    EXPECT_EQ(engine().state(), BreakState::idle);
    EXPECT_EQ(engine().accumulatedWorkTime(), 0);

    trigger(QStringLiteral("For 1 Hour"));
    EXPECT_EQ(engine().state(), BreakState::disabled);
    EXPECT_EQ(engine().disableEndDate(), clock.now().addSecs(3600));

    trigger(QStringLiteral("Re-enable"));
    EXPECT_EQ(engine().state(), BreakState::idle);

    trigger(QStringLiteral("For 4 Hours"));
    EXPECT_EQ(engine().disableEndDate(), clock.now().addSecs(14400));
    engine().enable();

    trigger(QStringLiteral("For the Rest of the Day"));
    EXPECT_EQ(engine().disableEndDate(), QDateTime(QDate(2026, 3, 3), QTime(0, 0)));

    trigger(QStringLiteral("Quit Ostavel"));
    EXPECT_EQ(quitCalls, 1);

    // Their windows are not in this build: choosing them is harmless.
    trigger(QStringLiteral("Settings…"));
    trigger(QStringLiteral("Send Feedback…"));
}

TEST_F(StatusMenuTest, SettingsAndFeedbackOpenTheirWindowsWhenPresent)
{
    AppComponents c = components();
    c.makeSettingsWindowController = [this](ConfigurationManager&, SparkleUpdaterManager* manager) {
        EXPECT_EQ(manager, updater);
        return std::make_unique<RecordingWindowController>(story, QStringLiteral("settings"));
    };
    c.makeFeedbackWindowController = [this](FeedbackSenderProtocol*) {
        return std::make_unique<RecordingWindowController>(story, QStringLiteral("feedback"));
    };
    makeDelegate(std::move(c));
    delegate().startMainApp();
    trigger(QStringLiteral("Settings…"));
    trigger(QStringLiteral("Send Feedback…"));
    trigger(QStringLiteral("Settings…"));
    EXPECT_EQ(story, QStringList({"show settings", "show feedback", "show settings"}));
}

TEST_F(StatusMenuTest, AClickOpensTheMenuAndClosingItReleasesThePanel)
{
    EXPECT_EQ(statusMenu(), nullptr) << "no menu until the first click";
    emit tray().statusItem()->activated(QSystemTrayIcon::Trigger);
    QMenu* menu = statusMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(describe(*menu), QStringList({"[panel]", "---", disableMenu}) + tail);

    menu->hide();
    settle();
    EXPECT_TRUE(menu->actions().isEmpty());
    EXPECT_TRUE(menu->findChildren<MenuBarStatusView*>().isEmpty());

    emit tray().statusItem()->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(statusMenu(), menu) << "one menu, refilled";
    EXPECT_EQ(menu->actions().size(), 8);
    menu->hide();
}

// The tray icon follows the engine, redrawn only when what it shows changes.

TEST_F(StatusMenuTest, IconShowsTheCountdownAndRedrawsOncePerMinute)
{
    EXPECT_EQ(tray().statusItemContent().image, StatusItemContent::Image::stand);
    EXPECT_EQ(tray().statusItem()->toolTip(), QStringLiteral("Ostavel"));
    const int before = tray().statusItemRedrawCount();

    work(); // 2100 s to go: "35m", then "34m" from the first counted second
    settle();
    EXPECT_EQ(tray().statusItemContent().text, QStringLiteral("35m"));
    for (int i = 0; i < 60; ++i) {
        engine().tick();
        settle();
    }
    EXPECT_EQ(tray().statusItemContent().text, QStringLiteral("34m"));
    EXPECT_EQ(tray().statusItemRedrawCount(), before + 2);

    engine().tick();
    settle();
    EXPECT_EQ(tray().statusItemContent().text, QStringLiteral("33m"));
    EXPECT_EQ(tray().statusItem()->toolTip(), QStringLiteral("33m"));
}

TEST_F(StatusMenuTest, IconFollowsANewWorkDurationAtOnce)
{
    work();
    settle();
    EXPECT_EQ(tray().statusItemContent().text, QStringLiteral("35m"));
    // No tick in between: the edit alone redraws.
    configure([](Configuration& c) { c.workDurationSeconds = 600; });
    settle();
    EXPECT_EQ(tray().statusItemContent().text, QStringLiteral("10m"));
}

TEST_F(StatusMenuTest, IconShowsBlockedAndDisabled)
{
    blockers->block();
    work();
    settle();
    EXPECT_TRUE(tray().statusItemContent().redDot);
    EXPECT_EQ(tray().statusItem()->toolTip(), QStringLiteral("35m Blocked"));

    engine().disableForRestOfDay();
    settle();
    EXPECT_EQ(tray().statusItemContent().image, StatusItemContent::Image::moon);
    EXPECT_TRUE(tray().statusItemContent().redDot) << "the dot follows the flag";

    blockers->clear();
    engine().enable();
    settle();
    EXPECT_EQ(tray().statusItemContent(),
              StatusItemContent::make(BreakState::idle, 0, false, false));
}

// The open menu follows the engine: the panel grows, the commands change, nothing overlaps.

TEST_F(StatusMenuTest, OpenMenuFollowsTheStateWithoutOverlaps)
{
    // A menu wider than the panel's own width, as a desktop's menu style may make it.
    menus().prepare();
    statusMenu()->setMinimumWidth(280);
    emit tray().statusItem()->activated(QSystemTrayIcon::Trigger);
    QMenu* menu = statusMenu();
    ASSERT_TRUE(menu->isVisible());
    auto* panel = menu->findChild<MenuBarStatusView*>();
    ASSERT_NE(panel, nullptr);
    menu->setActiveAction(findAction(*menu, QStringLiteral("Send Feedback…")));

    auto settled = [&] {
        for (int i = 0; i < 5; ++i)
            settle();
    };
    auto expectNoOverlap = [&](const char* when) {
        const QRect panelRect = panel->geometry();
        EXPECT_GE(panelRect.height(), panel->sizeHint().height()) << when;
        // The panel fills the menu's width, so its content sits centred.
        const QRect inside = menu->contentsRect();
        EXPECT_EQ(panelRect.left() - inside.left(), inside.right() - panelRect.right()) << when;
        for (QAction* action : menu->actions()) {
            if (qobject_cast<QWidgetAction*>(action))
                continue;
            EXPECT_FALSE(menu->actionGeometry(action).intersects(panelRect))
                << when << ": " << action->text().toStdString();
        }
        EXPECT_TRUE(menu->screen()->availableGeometry().contains(menu->geometry())) << when;
    };

    expectNoOverlap("idle");
    work();
    settled();
    EXPECT_EQ(describe(*menu), QStringList({"[panel]", "---", "Start Break", "Skip Next Break",
                                            "---", disableMenu}) +
                                   tail);
    EXPECT_EQ(menu->findChild<MenuBarStatusView*>(), panel) << "the panel stays";
    ASSERT_NE(menu->activeAction(), nullptr);
    EXPECT_EQ(menu->activeAction()->text(), QStringLiteral("Send Feedback…"));
    expectNoOverlap("working");
    engine().tick(); // new texts, same size
    settled();
    expectNoOverlap("a second later");

    engine().startBreak();
    settled();
    EXPECT_EQ(describe(*menu),
              QStringList({"[panel]", "---", "Skip Break", "---", disableMenu}) + tail);
    expectNoOverlap("on a break");

    engine().disableForRestOfDay();
    settled();
    EXPECT_EQ(describe(*menu), QStringList({"[panel]", "---", "Re-enable"}) + tail);
    expectNoOverlap("disabled");
    menu->hide();
}

TEST_F(StatusMenuTest, ShortcutsWorkWhileTheMenuIsOpen)
{
    AppComponents c = components();
    c.makeSettingsWindowController = [this](ConfigurationManager&, SparkleUpdaterManager*) {
        return std::make_unique<RecordingWindowController>(story, QStringLiteral("settings"));
    };
    makeDelegate(std::move(c));
    delegate().startMainApp();
    settle();
    emit tray().statusItem()->activated(QSystemTrayIcon::Trigger);
    QMenu* menu = statusMenu();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(story, QStringList({"show settings"}));

    emit tray().statusItem()->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(quitCalls, 1);
}

// The icon moves between tray hosts as they come and go.

TEST_F(StatusMenuTest, IconFollowsTrayHostsOfBothKinds)
{
    useStatusNotifierItem = true;
    trayAvailable = false;
    makeDelegate(components());
    LogCapture log("com.ostavel.app.App");
    delegate().startMainApp();
    FakeStatusNotifierItem* item = statusNotifierItem;
    settle();
    EXPECT_EQ(tray().host(), StatusItemController::Host::none);
    EXPECT_EQ(tray().statusItem(), nullptr) << "no QSystemTrayIcon before a host";

    trayHosts->setXEmbedTray(true);
    ASSERT_NE(tray().statusItem(), nullptr);
    EXPECT_TRUE(tray().statusItem()->isVisible());

    trayHosts->statusNotifier = true;
    emit trayHosts->changed();
    EXPECT_EQ(tray().host(), StatusItemController::Host::statusNotifier);
    EXPECT_FALSE(tray().statusItem()->isVisible()) << "one icon, not two";
    EXPECT_EQ(item->registrations, 1);
    item->accept();
    work();
    settle();
    EXPECT_EQ(item->toolTip, QStringLiteral("35m"));
    EXPECT_EQ(item->iconSizes, 6);

    // Clicks open the menu where the host says, kept on the screen.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    item->click(StatusNotifierItem::Activation::primary, area.topLeft() + QPoint(40, 30));
    QMenu* menu = statusMenu();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), area.topLeft() + QPoint(40, 30));
    menu->hide();
    item->click(StatusNotifierItem::Activation::context, area.bottomRight() + QPoint(500, 500));
    EXPECT_TRUE(area.contains(menu->geometry()));
    menu->hide();

    // The watcher restarts: the XEmbed icon stands in, then the item registers again.
    trayHosts->statusNotifier = false;
    emit trayHosts->changed();
    EXPECT_TRUE(tray().statusItem()->isVisible());
    trayHosts->statusNotifier = true;
    emit trayHosts->changed();
    EXPECT_EQ(item->registrations, 2);
    item->accept();

    const QStringList shown = log.lines().filter(QStringLiteral("Tray icon shown"));
    EXPECT_EQ(shown, QStringList({"Tray icon shown in an XEmbed tray"}))
        << "one line as the icon appears; a host taking over keeps it shown";
}

// Each redraw of the tray (both kinds of host) and each pill makes new icons. Painting them, as a
// tray host and the pill do, must leave nothing behind in QPixmapCache: an entry per redraw made
// memory grow with every break.
TEST_F(StatusMenuTest, RedrawsAndPillShowsLeaveThePixmapCacheAsItWas)
{
    useStatusNotifierItem = true;
    makeDelegate(components());
    delegate().startMainApp();
    FakeStatusNotifierItem* item = statusNotifierItem;
    settle();
    ASSERT_NE(tray().statusItem(), nullptr);
    // The StatusNotifierItem host takes over; the XEmbed icon is still redrawn beside it.
    trayHosts->statusNotifier = true;
    emit trayHosts->changed();
    item->accept();
    work();

    auto redrawAndShow = [&](int minutes) {
        configure(
            [minutes](Configuration& config) { config.workDurationSeconds = minutes * 60.0; });
        settle();
        QImage tray(22, 22, QImage::Format_ARGB32_Premultiplied);
        tray.fill(Qt::transparent);
        QPainter painter(&tray);
        delegate().statusItemController()->statusItem()->icon().paint(&painter, tray.rect());
        PreAlertPillView pill(engine(), true);
        QImage card(pill.size(), QImage::Format_ARGB32_Premultiplied);
        pill.render(&card);
    };
    redrawAndShow(10);
    const PixmapCacheWatch cache;
    const int redraws = tray().statusItemRedrawCount();
    for (int minutes = 11; minutes < 21; ++minutes)
        redrawAndShow(minutes);
    EXPECT_EQ(tray().statusItemRedrawCount(), redraws + 10);
    EXPECT_EQ(item->toolTip, QStringLiteral("20m"));
    EXPECT_TRUE(cache.untouched());
}
