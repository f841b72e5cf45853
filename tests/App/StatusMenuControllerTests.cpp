#include "App/StatusMenuController.h"
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityMonitor.h"
#include "FakeClock.h"
#include "UserDefaultsReset.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

// The menu alone, on an engine of fakes, with commands that only say that they ran.
class StatusMenuControllerTest : public ::testing::Test {
protected:
    StatusMenuController& menus()
    {
        if (!m_menus) {
            StatusMenuController::Environment env;
            env.engine = &engine;
            env.configManager = &config;
            env.clock = &clock;
            auto record = [this](const char* name) {
                return [this, name] { story << QString::fromUtf8(name); };
            };
            env.commands = StatusMenuCommands{
                .startBreak = record("startBreak"),
                .skipBreak = record("skipBreak"),
                .disableOneHour = record("disableOneHour"),
                .disableFourHours = record("disableFourHours"),
                .disableRestOfDay = record("disableRestOfDay"),
                .enable = record("enable"),
                .sendFeedback = record("sendFeedback"),
                .openSettings = record("openSettings"),
                .quit = record("quit"),
            };
            env.iconGeometry = [this] { return iconGeometry; };
            if (hostDrawsMenu)
                env.publishHostMenu = [this](const QList<StatusNotifierItem::MenuEntry>& menu) {
                    published << menu;
                };
            m_menus = std::make_unique<StatusMenuController>(std::move(env));
        }
        return *m_menus;
    }

    // Chooses every command the menu offers now, top to bottom, submenus included.
    void chooseEverything()
    {
        menus().prepare();
        const std::function<void(QMenu&)> choose = [&](QMenu& menu) {
            for (QAction* action : menu.actions()) {
                if (QMenu* submenu = action->menu())
                    choose(*submenu);
                else if (!action->isSeparator() && !action->text().isEmpty())
                    action->trigger();
            }
        };
        choose(*menus().menu());
    }

    bool m_cleared = (resetUserDefaults(), true);
    FakeClock clock;
    FakeActivityMonitor activity;
    ConfigurationManager config;
    BreakManager engine{activity, config, nullptr, clock};
    QStringList story;
    QRect iconGeometry;
    bool hostDrawsMenu = false;
    QList<QList<StatusNotifierItem::MenuEntry>> published;

private:
    std::unique_ptr<StatusMenuController> m_menus;
};

TEST_F(StatusMenuControllerTest, EachItemReachesItsCommand)
{
    EXPECT_EQ(menus().menu(), nullptr) << "no menu until it is first asked for";
    menus().rebuild();
    EXPECT_EQ(menus().menu(), nullptr);

    const QStringList always = {"sendFeedback", "openSettings", "quit"};
    const QStringList disable = {"disableOneHour", "disableFourHours", "disableRestOfDay"};
    chooseEverything();
    EXPECT_EQ(story, disable + always) << "idle";

    story.clear();
    activity.idleSeconds = 0;
    engine.tick();
    ASSERT_EQ(engine.state(), BreakState::active);
    chooseEverything();
    EXPECT_EQ(story, QStringList({"startBreak", "skipBreak"}) + disable + always) << "working";

    story.clear();
    engine.startBreak();
    chooseEverything();
    EXPECT_EQ(story, QStringList({"skipBreak"}) + disable + always) << "on a break";

    story.clear();
    engine.disableForRestOfDay();
    chooseEverything();
    EXPECT_EQ(story, QStringList({"enable"}) + always) << "disabled";

    // The shortcuts work while the menu is open.
    story.clear();
    menus().open();
    ASSERT_TRUE(menus().menu()->isVisible());
    QTest::keyClick(menus().menu(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_FALSE(menus().menu()->isVisible());
    EXPECT_EQ(story, QStringList({"openSettings"}));
}

namespace {
// A published menu in one line: text as is, commands in brackets, a submenu's after ">".
QString shapeOf(const QList<StatusNotifierItem::MenuEntry>& menu)
{
    using Kind = StatusNotifierItem::MenuEntry::Kind;
    QStringList parts;
    for (const StatusNotifierItem::MenuEntry& entry : menu) {
        if (entry.kind == Kind::separator)
            parts << QStringLiteral("-");
        else if (entry.kind == Kind::text)
            parts << entry.label;
        else if (entry.kind == Kind::submenu)
            parts << entry.label + QStringLiteral(">") + shapeOf(entry.children) +
                         QStringLiteral("<");
        else
            parts << QStringLiteral("[%1%2]").arg(
                entry.label, entry.shortcut.isEmpty() ? QString() : " " + entry.shortcut);
    }
    return parts.join(QLatin1Char('|'));
}
} // namespace

// For a host that draws the menu: the panel's lines and the same commands, published at once and
// at each change of the commands; the lines follow every tick only while the host shows the menu.
TEST_F(StatusMenuControllerTest, PublishesTheMenuForAHostThatDrawsIt)
{
    hostDrawsMenu = true;
    menus();
    ASSERT_EQ(published.size(), 1);
    EXPECT_EQ(shapeOf(published.last()),
              "Idle|Work Session: 0:00 / 35:00|-|Disable>[For 1 Hour]|[For 4 Hours]|"
              "[For the Rest of the Day]<|-|[Send Feedback\u2026]|-|[Settings\u2026 Ctrl+,]|"
              "[Quit Ostavel Ctrl+Q]");
    const std::function<void(const QList<StatusNotifierItem::MenuEntry>&)> choose =
        [&](const QList<StatusNotifierItem::MenuEntry>& menu) {
            for (const StatusNotifierItem::MenuEntry& entry : menu) {
                choose(entry.children);
                if (entry.chosen)
                    entry.chosen();
            }
        };
    choose(published.last());
    EXPECT_EQ(story, QStringList({"disableOneHour", "disableFourHours", "disableRestOfDay",
                                  "sendFeedback", "openSettings", "quit"}));

    activity.idleSeconds = 0;
    engine.tick();
    QCoreApplication::processEvents();
    ASSERT_EQ(published.size(), 2) << "new commands";
    EXPECT_TRUE(shapeOf(published.last()).startsWith("Working|Work Session: 0:00 / 35:00|Due in"))
        << shapeOf(published.last()).toStdString();
    EXPECT_TRUE(shapeOf(published.last()).contains("-|[Start Break]|[Skip Next Break]|-|Disable>"));

    clock.advance(5);
    engine.tick();
    QCoreApplication::processEvents();
    EXPECT_EQ(published.size(), 2) << "a closed menu follows no tick";

    menus().hostMenuShown(true);
    ASSERT_EQ(published.size(), 3);
    clock.advance(5);
    engine.tick();
    QCoreApplication::processEvents();
    ASSERT_EQ(published.size(), 4) << "an open menu follows the tick";
    EXPECT_NE(shapeOf(published[3]), shapeOf(published[2]));

    menus().hostMenuShown(false);
    clock.advance(5);
    engine.tick();
    QCoreApplication::processEvents();
    EXPECT_EQ(published.size(), 4);
    EXPECT_EQ(menus().menu(), nullptr) << "our own menu is never made";
}

TEST_F(StatusMenuControllerTest, OpensWhereAskedOrBelowTheIconOnScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    menus().open(area.topLeft() + QPoint(40, 30));
    QMenu* menu = menus().menu();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), area.topLeft() + QPoint(40, 30));
    menu->hide();

    // An XEmbed icon in a top panel: just below it, 2 px apart; in a bottom panel: above it.
    iconGeometry = QRect(area.left() + 100, area.top(), 22, 22);
    menus().open();
    EXPECT_EQ(menu->pos(), QPoint(iconGeometry.left(), iconGeometry.bottom() + 3));
    menu->hide();
    iconGeometry.moveBottom(area.bottom());
    menus().open();
    EXPECT_EQ(menu->geometry().bottom(), iconGeometry.top() - 3);
    menu->hide();

    // Asked for off the screen: kept inside it.
    menus().open(area.bottomRight() + QPoint(500, 500));
    EXPECT_TRUE(area.contains(menu->geometry()));
    menu->hide();

    // Closed, it lets go of its panel and commands.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(menu->actions().isEmpty());
}
