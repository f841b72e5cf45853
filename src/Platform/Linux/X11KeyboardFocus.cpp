#include "Platform/Linux/X11KeyboardFocus.h"

#include "Platform/Linux/XcbReply.h"

#include <QGuiApplication>
#include <QWindow>
#include <cstring>
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

constexpr char activeWindowName[] = "_NET_ACTIVE_WINDOW";
// EWMH source indication of a pager: the window manager skips its focus-stealing check, which
// compares times it takes from input we never see (the compositor's own clients).
constexpr std::uint32_t sourcePager = 2;
// The property whose zero-length append yields a server time: Qt sets it once, as a STRING.
constexpr xcb_atom_t timestampProperty = XCB_ATOM_WM_CLASS;
} // namespace

X11KeyboardFocus::X11KeyboardFocus(bool throughWindowManager)
    : m_throughWindowManager(throughWindowManager)
{
    m_retry.setInterval(retryMs);
    QObject::connect(&m_retry, &QTimer::timeout, [this] { retryUnlessFocused(); });
    if (m_throughWindowManager && QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11KeyboardFocus::~X11KeyboardFocus()
{
    if (m_throughWindowManager && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::unique_ptr<X11KeyboardFocus> X11KeyboardFocus::forSession()
{
    return std::make_unique<X11KeyboardFocus>(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
}

void X11KeyboardFocus::take(quintptr window)
{
    xcb_connection_t* connection = qtConnection();
    if (!connection || !window)
        return;
    m_window = window;
    if (m_throughWindowManager) {
        if (!m_activeWindowAtom && !m_activeWindowAtomRequest)
            m_activeWindowAtomRequest =
                xcb_intern_atom(connection, 0, std::strlen(activeWindowName), activeWindowName)
                    .sequence;
        m_retries = 0;
        m_retry.start();
        requestTimestamp();
        return;
    }
    if (!m_previousFocusRequest)
        m_previousFocusRequest = xcb_get_input_focus(connection).sequence;
    // CurrentTime: the window manager's last focus change may be newer than any event time we
    // have seen, and an older time would make the server ignore the request.
    setFocus(connection, xcb_window_t(window));
}

void X11KeyboardFocus::giveBack()
{
    xcb_connection_t* connection = qtConnection();
    if (m_throughWindowManager) {
        // The window manager gives the focus back itself when our window goes.
        m_retry.stop();
        m_window = 0;
        return;
    }
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

void X11KeyboardFocus::requestTimestamp()
{
    xcb_connection_t* connection = qtConnection();
    if (!connection || !m_window)
        return;
    const xcb_void_cookie_t cookie =
        xcb_change_property_checked(connection, XCB_PROP_MODE_APPEND, xcb_window_t(m_window),
                                    timestampProperty, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_discard_reply(connection, cookie.sequence);
    xcb_flush(connection);
}

bool X11KeyboardFocus::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!m_window || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_MAP_NOTIFY:
        // Managed at last: the requests sent before were for a window the manager did not know.
        if (reinterpret_cast<const xcb_map_notify_event_t*>(event)->window == m_window)
            requestTimestamp();
        break;
    case XCB_PROPERTY_NOTIFY: {
        const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (property->window == m_window && property->atom == timestampProperty)
            activate(property->time);
        break;
    }
    default:
        break;
    }
    return false;
}

void X11KeyboardFocus::activate(std::uint32_t serverTime)
{
    xcb_connection_t* connection = qtConnection();
    if (!connection || !m_window)
        return;
    if (m_activeWindowAtomRequest) {
        // Asked for at take(), a round trip ago at least: the answer is in.
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection, xcb_intern_atom_cookie_t{*m_activeWindowAtomRequest}, nullptr));
        m_activeWindowAtomRequest.reset();
        m_activeWindowAtom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    if (!m_activeWindowAtom)
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = xcb_window_t(m_window);
    request.type = m_activeWindowAtom;
    request.data.data32[0] = sourcePager;
    request.data.data32[1] = serverTime;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
}

void X11KeyboardFocus::retryUnlessFocused()
{
    QWindow* focused = QGuiApplication::focusWindow();
    if (!m_window || (focused && focused->winId() == m_window) || ++m_retries > maxRetries) {
        m_retry.stop();
        return;
    }
    requestTimestamp();
}
