#pragma once

#include "Platform/KeyboardFocus.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

// On an X server of its own (an X11 window manager), sets the X input focus on Qt's own
// connection, so the request follows the window's map request in order; the previous focus is
// asked for at take() and its answer read only at giveBack(), long after it has arrived.
// Under a Wayland compositor's XWayland, asks the window manager to activate the managed window
// instead, as a pager would (source indication 2), with a fresh server time: a zero-length append
// to one of the window's properties, whose PropertyNotify carries the time. The request goes
// again each time the window is mapped and, while the window has not got the focus, every 250 ms
// for a few seconds.
class X11KeyboardFocus final : public KeyboardFocus, private QAbstractNativeEventFilter {
public:
    explicit X11KeyboardFocus(bool throughWindowManager);
    ~X11KeyboardFocus() override;
    // Through the window manager where a Wayland compositor runs this session's X server.
    static std::unique_ptr<X11KeyboardFocus> forSession();

    bool needsManagedWindow() const override { return m_throughWindowManager; }
    void take(quintptr window) override;
    void giveBack() override;

    static constexpr int retryMs = 250;
    static constexpr int maxRetries = 20;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void requestTimestamp();
    void activate(std::uint32_t serverTime);
    void retryUnlessFocused();

    const bool m_throughWindowManager;
    std::optional<unsigned int> m_previousFocusRequest;
    quintptr m_window = 0;
    // _NET_ACTIVE_WINDOW, interned at the first take() and read at the first activation.
    std::optional<unsigned int> m_activeWindowAtomRequest;
    std::uint32_t m_activeWindowAtom = 0;
    QTimer m_retry;
    int m_retries = 0;
};
