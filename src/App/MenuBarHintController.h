#pragma once

#include "App/TrayHost.h"

#include <QObject>
#include <QRect>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MenuBarHintView;
class PointerButtonState;
class ServiceTimer;

// The first-run hint that points at the tray icon, open until the first press of a mouse button
// outside Ostavel. Presses come desktop-wide from PointerButtonState, watched where it can and
// polled where it cannot, only while the hint is shown; presses on our own windows and on our
// icon in a StatusNotifierItem host leave the hint open. Main thread only.
class MenuBarHintController : public QObject {
    Q_OBJECT

public:
    struct Environment {
        // Which host shows the icon now, and where the XEmbed icon is (invalid when unknown).
        std::function<TrayHost()> host;
        std::function<QRect()> iconGeometry;
        // Made when the hint first shows; may be empty (the hint then stays until the next one).
        std::function<std::unique_ptr<PointerButtonState>()> makePointerButtonState;
        // Default: Qt timers.
        std::function<std::unique_ptr<ServiceTimer>()> makeTimer;
        // A monotonic "now" for the age of our own presses. Default: the steady clock.
        std::function<std::chrono::milliseconds()> now;
    };

    explicit MenuBarHintController(Environment environment, QObject* parent = nullptr);
    ~MenuBarHintController() override;

    // Shows the hint now (replacing one that is open) if there is an icon to point at; false when
    // there is none.
    bool show();
    void dismiss();
    // A click on our icon that a StatusNotifierItem host reported: ours, though no window of ours
    // saw the press.
    void noteClickOnIcon();

    // Null while no hint is shown.
    MenuBarHintView* view() const { return m_view.get(); }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void noteOwnPress();
    void startPolling();
    void poll();
    void onPointerPressed();

    Environment m_env;
    std::unique_ptr<MenuBarHintView> m_view;
    std::unique_ptr<PointerButtonState> m_pointerButtons;
    std::unique_ptr<ServiceTimer> m_poll;
    bool m_polling = false;
    bool m_polledPressed = false;
    // One per reported press still to be judged: each waits out its own time.
    std::vector<std::unique_ptr<ServiceTimer>> m_verdicts;
    // When one of our own windows last took a press while the hint was shown.
    std::optional<std::chrono::milliseconds> m_lastOwnPress;
};
