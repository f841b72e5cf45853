#pragma once

#include "Platform/StatusNotifierItem.h"
#include "Platform/TrayHostWatcher.h"
#include "Views/StatusItemContent.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

class AppDelegate;
class BreakBlockerManagerProtocol;
class BreakManager;
class Clock;
class ConfigurationManager;
class MenuBarHintView;
class PointerButtonState;
class QAction;
class QMenu;
class QTimer;
class QWidgetAction;

// The tray: the icon with its countdown, the status menu with the live status panel, and the
// first-run hint. The icon lives in whichever tray host the desktop offers, and follows hosts
// that come, go and come back: our own StatusNotifierItem where a host is registered on the
// session bus, else a QSystemTrayIcon docked into an XEmbed tray, else nothing (breaks still
// run). Qt picks its D-Bus or XEmbed tray once per process, at the first QSystemTrayIcon, so
// that icon is only made while no StatusNotifierItem host exists and is used for XEmbed alone.
//
// The menu's commands are the delegate's slots. Main thread only.
class StatusItemController : public QObject {
    Q_OBJECT

public:
    struct Environment {
        AppDelegate* delegate = nullptr;
        BreakManager* engine = nullptr;
        ConfigurationManager* configManager = nullptr;
        // May be null: nothing blocks.
        const BreakBlockerManagerProtocol* blockers = nullptr;
        const Clock* clock = nullptr;
        // May be null: no tray host is ever seen, so no icon.
        std::unique_ptr<TrayHostWatcher> hosts;
        // May be null: StatusNotifierItem hosts are not used.
        std::unique_ptr<StatusNotifierItem> statusNotifierItem;
        // Made when the hint first shows; may be empty (the hint then stays until the next one).
        std::function<std::unique_ptr<PointerButtonState>()> makePointerButtonState;
    };
    enum class Host { none, statusNotifier, xembed };

    explicit StatusItemController(Environment environment, QObject* parent = nullptr);
    ~StatusItemController() override;

    void updateRedDot(bool visible);
    // Redraws the icon for the engine's state; only a change of what is shown costs a redraw.
    void updateCountdownTitle();
    // What a click does before the menu pops up: make the menu on first use and fill it.
    void prepareStatusMenu();
    void rebuildMenu();
    // Opens the menu where the host asked, else below the XEmbed icon, else at the pointer, kept
    // inside the available area of its screen.
    void openMenu(std::optional<QPoint> requested = std::nullopt);
    // Shows the hint now if there is an icon to point at; false when there is none.
    bool showMenuBarHint();
    void dismissMenuBarHint();

    Host host() const { return m_host; }
    // Null until an XEmbed tray has been seen.
    QSystemTrayIcon* statusItem() const { return m_statusItem; }
    // Null until the menu is first opened.
    QMenu* statusMenu() const { return m_statusMenu.get(); }
    const StatusItemContent& statusItemContent() const { return m_content; }
    int statusItemRedrawCount() const { return m_redraws; }
    MenuBarHintView* menuBarHint() const { return m_menuBarHint.get(); }

private:
    void followHosts();
    void iconShown(const char* where);
    void iconGone();
    void drawIcon();
    void onStatusItemActivated(QSystemTrayIcon::ActivationReason reason);
    void onStatusNotifierActivated(StatusNotifierItem::Activation activation,
                                   std::optional<QPoint> position);
    void clearStatusMenu();
    void addCommandItems();
    void followEngineState();
    void relayoutMenu();
    void keepMenuOnScreen();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void onPointerPressed();
    void pollHintClick();
    bool isBlocked() const;

    Environment m_env;
    Host m_host = Host::none;
    QPointer<QSystemTrayIcon> m_statusItem;
    bool m_statusNotifierRegistered = false;
    bool m_iconShownLogged = false;
    bool m_noTrayLogged = false;
    QTimer* m_noTrayGrace = nullptr;

    StatusItemContent m_content;
    bool m_drawn = false;
    bool m_redDotVisible = false;
    int m_redraws = 0;

    std::unique_ptr<QMenu> m_statusMenu;
    QWidgetAction* m_panelAction = nullptr;
    // Which list of commands the menu holds, so a state change swaps them only when it must.
    int m_menuItemSet = -1;

    std::unique_ptr<MenuBarHintView> m_menuBarHint;
    std::unique_ptr<PointerButtonState> m_pointerButtons;
    QPointer<QTimer> m_hintClickPoll;
    bool m_polledPressed = false;
    // When one of our own windows last took a press while the hint was shown.
    QElapsedTimer m_lastOwnPress;
};
