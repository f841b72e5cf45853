#pragma once

#include "App/StatusMenuCommands.h"
#include "Platform/StatusNotifierItem.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>

class BreakBlockerManagerProtocol;
class BreakManager;
class Clock;
class ConfigurationManager;
class MenuBarStatusView;
class QMenu;
class QWidgetAction;

// The status menu: the live status panel on top, then the commands for the engine's state. It is
// filled afresh each time it opens, follows state changes while open (the panel stays, the
// commands change), and drops its panel once closed, so a closed menu follows nothing. Its items'
// shortcuts work while it is open.
//
// For a tray host that draws the menu itself it also publishes the same menu as entries: the
// panel's lines as text, then the commands. The commands follow the engine's state at all times,
// the lines only while the host shows the menu. Main thread only.
class StatusMenuController : public QObject {
    Q_OBJECT

public:
    struct Environment {
        BreakManager* engine = nullptr;
        ConfigurationManager* configManager = nullptr;
        // May be null: nothing blocks.
        const BreakBlockerManagerProtocol* blockers = nullptr;
        const Clock* clock = nullptr;
        StatusMenuCommands commands;
        // Where the XEmbed icon is on screen, for a menu opened with no position; invalid (or
        // empty) opens it at the pointer.
        std::function<QRect()> iconGeometry;
        // Where the menu for a host that draws it goes; empty when there is no such host.
        std::function<void(const QList<StatusNotifierItem::MenuEntry>&)> publishHostMenu;
    };

    explicit StatusMenuController(Environment environment, QObject* parent = nullptr);
    ~StatusMenuController() override;

    // What a click does before the menu pops up: make the menu on first use and fill it.
    void prepare();
    // Fills the menu for the current state; nothing before the menu is first made.
    void rebuild();
    // Opens the menu where the host asked, else below the XEmbed icon, else at the pointer, kept
    // inside the available area of its screen.
    void open(std::optional<QPoint> requested = std::nullopt);

    // Null until the menu is first opened.
    QMenu* menu() const { return m_menu.get(); }

    // The host opened or closed the menu it draws: the panel's lines follow the engine while open.
    void hostMenuShown(bool open);
    // The menu as a host draws it, for the current state.
    QList<StatusNotifierItem::MenuEntry> hostMenu() const;

private:
    void clear();
    QList<StatusNotifierItem::MenuEntry> commandEntries() const;
    void addCommandItems();
    void publishHostMenu();
    void followEngineState();
    void relayout();
    void keepOnScreen();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Environment m_env;
    std::unique_ptr<QMenu> m_menu;
    QWidgetAction* m_panelAction = nullptr;
    // Which list of commands the menu holds, so a state change swaps them only when it must.
    int m_itemSet = -1;
    // Which list of commands the host was given last.
    int m_hostItemSet = -1;
    // Follows the engine for the host's menu while the host shows it; never on screen.
    std::unique_ptr<MenuBarStatusView> m_hostPanel;
};
