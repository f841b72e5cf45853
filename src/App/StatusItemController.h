#pragma once

#include "App/TrayHost.h"
#include "Platform/StatusNotifierItem.h"
#include "Platform/TrayHostWatcher.h"
#include "Views/StatusItemContent.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

class BreakBlockerManagerProtocol;
class BreakManager;
class ServiceTimer;

// The tray icon with its countdown, in whichever tray host the desktop offers. It follows hosts
// that come, go and come back: our own StatusNotifierItem where a host is registered on the session
// bus, else a QSystemTrayIcon docked into an XEmbed tray, else nothing (breaks still run). Qt picks
// its D-Bus or XEmbed tray once per process, at the first QSystemTrayIcon, so that icon is only
// made while no StatusNotifierItem host exists and is used for XEmbed alone.
//
// Clicks on the icon are reported, not handled: what opens is wired by the owner. A
// StatusNotifierItem whose host draws the menu itself is given the menu instead, and its clicks
// are the host's. Main thread only.
class StatusItemController : public QObject {
    Q_OBJECT

public:
    using Host = TrayHost;

    struct Environment {
        const BreakManager* engine = nullptr;
        // May be null: nothing blocks.
        const BreakBlockerManagerProtocol* blockers = nullptr;
        // May be null: no tray host is ever seen, so no icon.
        std::unique_ptr<TrayHostWatcher> hosts;
        // May be null: StatusNotifierItem hosts are not used.
        std::unique_ptr<StatusNotifierItem> statusNotifierItem;
        // For the grace before "No system tray" is logged. Default: a Qt timer.
        std::function<std::unique_ptr<ServiceTimer>()> makeTimer;
    };

    explicit StatusItemController(Environment environment, QObject* parent = nullptr);
    ~StatusItemController() override;

    // The dot is painted into the icon, so this records the flag and updateCountdownTitle() draws.
    void updateRedDot(bool visible);
    // Redraws the icon for the engine's state; only a change of what is shown costs a redraw.
    void updateCountdownTitle();

    Host host() const { return m_host; }
    // Where the XEmbed icon is on screen; invalid while the icon is elsewhere or nowhere.
    QRect iconGeometry() const;
    // Null until an XEmbed tray has been seen.
    QSystemTrayIcon* statusItem() const { return m_statusItem; }
    const StatusItemContent& statusItemContent() const { return m_content; }
    // How often the icon was drawn; the tray's idle cost depends on this staying low.
    int statusItemRedrawCount() const { return m_redraws; }

    // Whether a StatusNotifierItem host is given the menu to draw.
    bool hostDrawsMenu() const;
    void setHostMenu(const QList<StatusNotifierItem::MenuEntry>& entries);

signals:
    // A click on the icon that should open the menu, at the point the host asked for if it did.
    void menuRequested(std::optional<QPoint> position);
    // A StatusNotifierItem host reported a click on the icon: a press that none of our windows
    // saw. Comes just before its menuRequested().
    void clickedInHost();
    // The host opened (true) or closed (false) the menu it draws.
    void hostMenuShown(bool open);

private:
    void followHosts();
    void iconShown(const char* where);
    void iconGone();
    void startNoTrayGrace();
    void reportMissingTray();
    void drawIcon();
    void onStatusItemActivated(QSystemTrayIcon::ActivationReason reason);
    bool isBlocked() const;

    Environment m_env;
    Host m_host = Host::none;
    QPointer<QSystemTrayIcon> m_statusItem;
    bool m_statusNotifierRegistered = false;
    bool m_iconShownLogged = false;
    bool m_noTrayLogged = false;
    std::unique_ptr<ServiceTimer> m_noTrayGrace;

    StatusItemContent m_content;
    bool m_drawn = false;
    bool m_redDotVisible = false;
    int m_redraws = 0;
};
