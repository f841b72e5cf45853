#include "Platform/Linux/X11KeyboardFocus.h"

#include "Platform/Linux/XcbReply.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/xcb.h>

namespace {
xcb_connection_t* qtConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Errors (a window gone meanwhile) come back to us and are dropped, instead of reaching Qt's
// error log.
void setFocus(xcb_connection_t* connection, xcb_window_t window)
{
    const xcb_void_cookie_t cookie = xcb_set_input_focus_checked(
        connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_discard_reply(connection, cookie.sequence);
    xcb_flush(connection);
}
} // namespace

void X11KeyboardFocus::take(quintptr window)
{
    xcb_connection_t* connection = qtConnection();
    if (!connection || !window)
        return;
    if (!m_previousFocusRequest)
        m_previousFocusRequest = xcb_get_input_focus(connection).sequence;
    m_window = window;
    // CurrentTime: the window manager's last focus change may be newer than any event time we
    // have seen, and an older time would make the server ignore the request.
    setFocus(connection, xcb_window_t(window));
}

void X11KeyboardFocus::giveBack()
{
    xcb_connection_t* connection = qtConnection();
    if (!connection || !m_previousFocusRequest)
        return;
    xcb_get_input_focus_cookie_t cookie{*m_previousFocusRequest};
    m_previousFocusRequest.reset();
    const XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection, cookie, nullptr));
    xcb_window_t previous = reply ? reply->focus : XCB_NONE;
    const quintptr ours = m_window;
    m_window = 0;
    // Someone clicked elsewhere meanwhile: the focus is theirs now, leave it there.
    QWindow* focused = QGuiApplication::focusWindow();
    if (!focused || focused->winId() != ours)
        return;
    if (previous == xcb_window_t(ours))
        previous = XCB_NONE;
    // None or PointerRoot before: let the pointer decide again.
    const xcb_window_t pointerRoot = XCB_INPUT_FOCUS_POINTER_ROOT;
    setFocus(connection, previous > pointerRoot ? previous : pointerRoot);
}
