#include "Platform/Linux/XEmbedTrayWatcher.h"

#include "Platform/Linux/XcbReply.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QtConcurrent/QtConcurrentRun>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

XEmbedTrayWatcher::XEmbedTrayWatcher(std::function<void()> onChanged)
    : m_onChanged(std::move(onChanged))
{
    // Connecting waits for the server's setup reply: done on a worker thread.
    QObject::connect(&m_connecting, &QFutureWatcher<Connection>::finished, &m_connecting,
                     [this] { start(m_connecting.result()); });
    m_connecting.setFuture(QtConcurrent::run([] {
        Connection connection;
        connection.connection = xcb_connect(nullptr, &connection.screen);
        return connection;
    }));
}

void XEmbedTrayWatcher::start(Connection connected)
{
    m_taken = true;
    m_connection = connected.connection;
    const int screenNumber = connected.screen;
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return;
    m_root = screens.data->root;

    // A tray that starts announces itself to the root window's structure listeners.
    const uint32_t rootEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &rootEvents);
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
    m_selectionCookie =
        xcb_intern_atom(m_connection, 0, uint16_t(selection.size()), selection.constData())
            .sequence;
    m_managerCookie = xcb_intern_atom(m_connection, 0, 7, "MANAGER").sequence;
    m_atomsPending = true;
    xcb_flush(m_connection);

    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection),
                                                   QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { process(); });
}

XEmbedTrayWatcher::~XEmbedTrayWatcher()
{
    if (!m_taken && m_connecting.isStarted()) {
        // A connection still being made, or made but not yet taken, is closed here too.
        m_connecting.waitForFinished();
        m_connection = m_connecting.result().connection;
    }
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
}

void XEmbedTrayWatcher::process()
{
    if (xcb_connection_has_error(m_connection)) {
        // The display went away: no tray, and nothing more to read.
        m_notifier->setEnabled(false);
        setOwner(0);
        return;
    }
    // Reading events also takes every reply that has arrived off the socket.
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        const XcbReply<xcb_generic_event_t> owned(event);
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CLIENT_MESSAGE && !m_atomsPending) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->type == m_manager && message->format == 32 &&
                message->data.data32[1] == m_selection)
                setOwner(message->data.data32[2]);
        } else if (type == XCB_DESTROY_NOTIFY) {
            const auto* destroyed = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            if (m_owner != 0 && destroyed->window == m_owner) {
                setOwner(0);
                // A successor may already hold the selection.
                askOwner();
            }
        }
    }

    if (m_atomsPending) {
        // The two answers may arrive in separate reads; xcb hands each out only once, so each is
        // kept as soon as it is there.
        if (!takeAtom(m_selectionCookie, m_selection) || !takeAtom(m_managerCookie, m_manager))
            return;
        m_atomsPending = false;
        if (m_selection == 0 || m_manager == 0) {
            m_notifier->setEnabled(false);
            return;
        }
        askOwner();
    }

    while (!m_ownerCookies.empty()) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!xcb_poll_for_reply(m_connection, m_ownerCookies.front(), &reply, &error))
            break;
        m_ownerCookies.pop_front();
        std::free(error);
        const XcbReply<xcb_get_selection_owner_reply_t> owner(
            static_cast<xcb_get_selection_owner_reply_t*>(reply));
        // Only the latest answer counts; earlier ones may predate a change.
        if (owner && m_ownerCookies.empty())
            setOwner(owner->owner);
    }
}

bool XEmbedTrayWatcher::takeAtom(unsigned int& cookie, uint32_t& atom)
{
    if (cookie == 0)
        return true;
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(m_connection, cookie, &reply, &error))
        return false;
    std::free(error);
    const XcbReply<xcb_intern_atom_reply_t> answer(static_cast<xcb_intern_atom_reply_t*>(reply));
    cookie = 0;
    atom = answer ? answer->atom : 0;
    return true;
}

void XEmbedTrayWatcher::askOwner()
{
    m_ownerCookies.push_back(xcb_get_selection_owner(m_connection, m_selection).sequence);
    xcb_flush(m_connection);
    // A reply read off the socket along with earlier events would not wake the notifier.
    QMetaObject::invokeMethod(
        m_notifier.get(), [this] { process(); }, Qt::QueuedConnection);
}

void XEmbedTrayWatcher::setOwner(uint32_t owner)
{
    if (owner == m_owner)
        return;
    const bool had = m_owner != 0;
    m_owner = owner;
    if (owner != 0 && m_connection) {
        // Hear of the tray's end; ask again, in case it ended before we listened.
        const uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, owner, XCB_CW_EVENT_MASK, &events);
        askOwner();
    }
    if (had != (owner != 0) && m_onChanged)
        m_onChanged();
}
