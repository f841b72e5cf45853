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
