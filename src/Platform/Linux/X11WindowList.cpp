#include "Platform/Linux/X11WindowList.h"

#include "Platform/Linux/EwmhWindowProperties.h"
#include "Platform/Linux/LinuxLog.h"
#include "Platform/Linux/XcbReply.h"

#include <QFile>
#include <algorithm>
#include <xcb/xcb.h>
// After xcb: Xlib's macros (None, Success, ...) would clash with names used above.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

namespace {
enum AtomIndex {
    ClientListStacking,
    ClientList,
    WmPid,
    WmState,
    WmStateHidden,
    WmWindowType,
    WmWindowTypeDesktop,
    WmWindowTypeDock,
    GtkFrameExtents,
    AtomCount
};

constexpr const char* atomNames[AtomCount] = {
    "_NET_CLIENT_LIST_STACKING",
    "_NET_CLIENT_LIST",
    "_NET_WM_PID",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_GTK_FRAME_EXTENTS",
};

std::vector<quint32> values32(const xcb_get_property_reply_t* reply)
{
    if (!reply || reply->format != 32)
        return {};
    const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    return std::vector<quint32>(data, data + count);
}

bool containsAtom(const std::vector<quint32>& atoms, xcb_atom_t atom)
{
    return atom != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

QString processName(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}
} // namespace

struct X11WindowList::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t atoms[AtomCount] = {};
    // For the X-Resource extension, which Debian packages for Xlib only; opened the first time a
    // window lacks _NET_WM_PID, then kept with this connection.
    Display* resources = nullptr;
    bool resourcesTried = false;

    ~Connection()
    {
        if (resources)
            XCloseDisplay(resources);
        if (connection)
            xcb_disconnect(connection);
    }

    // The processes of the X clients that made `windows`, in one request; 0 where the server
    // does not know it (a remote client, or no X-Resource 1.2).
    std::vector<qint64> clientPids(const QByteArray& displayName,
                                   const std::vector<xcb_window_t>& windows)
    {
        std::vector<qint64> pids(windows.size(), 0);
        if (!resourcesTried) {
            resourcesTried = true;
            resources = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
            int eventBase = 0, errorBase = 0, major = 0, minor = 0;
            if (resources && !(XResQueryExtension(resources, &eventBase, &errorBase) &&
                               XResQueryVersion(resources, &major, &minor) &&
                               (major > 1 || (major == 1 && minor >= 2)))) {
                XCloseDisplay(resources);
                resources = nullptr;
            }
        }
        if (!resources || windows.empty())
            return pids;

        std::vector<XResClientIdSpec> queries;
        queries.reserve(windows.size());
        for (xcb_window_t window : windows)
            queries.push_back({window, XRES_CLIENT_ID_PID_MASK});
        long count = 0;
        XResClientIdValue* values = nullptr;
        if (XResQueryClientIds(resources, long(queries.size()), queries.data(), &count, &values) !=
            0)
            return pids;
        // The server answers per client, naming it by its resource base: the window id with the
        // resource bits cleared.
        const quint32 resourceMask = xcb_get_setup(connection)->resource_id_mask;
        for (long i = 0; i < count; ++i) {
            const pid_t pid = XResGetClientPid(&values[i]);
            if (pid <= 0)
                continue;
            const auto& [client, length, value] = values[i];
            for (size_t w = 0; w < windows.size(); ++w) {
                if ((windows[w] & ~resourceMask) == (client.client & ~resourceMask))
                    pids[w] = pid;
            }
        }
        XResClientIdsDestroy(count, values);
        return pids;
    }

    bool broken() const { return xcb_connection_has_error(connection) != 0; }

    std::vector<xcb_window_t> clientList() const
    {
        for (AtomIndex list : {ClientListStacking, ClientList}) {
            const xcb_get_property_cookie_t cookie =
                xcb_get_property(connection, 0, root, atoms[list], XCB_ATOM_WINDOW, 0, 1u << 16);
            XcbReply<xcb_get_property_reply_t> reply(
                xcb_get_property_reply(connection, cookie, nullptr));
            if (reply && reply->type == XCB_ATOM_WINDOW)
                return values32(reply.get());
        }
        return {};
    }
};

X11WindowList::X11WindowList(QByteArray displayName)
    : m_displayName(std::move(displayName))
{
}

X11WindowList::~X11WindowList() = default;

std::unique_ptr<X11WindowList::Connection> X11WindowList::acquire()
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_idle.empty()) {
            std::unique_ptr<Connection> connection = std::move(m_idle.back());
            m_idle.pop_back();
            return connection;
        }
    }
    auto connection = std::make_unique<Connection>();
    int screenNumber = 0;
    connection->connection =
        xcb_connect(m_displayName.isEmpty() ? nullptr : m_displayName.constData(), &screenNumber);
    if (connection->broken()) {
        QMutexLocker lock(&m_mutex);
        if (!m_reportedUnavailable)
            qCWarning(lcLinuxWindows) << "No X display: full-screen windows cannot be seen";
        m_reportedUnavailable = true;
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection->connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return nullptr;
    connection->root = screens.data->root;

    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(connection->connection, 0, uint16_t(qstrlen(atomNames[i])),
                                     atomNames[i]);
    for (int i = 0; i < AtomCount; ++i) {
        XcbReply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection->connection, cookies[i], nullptr));
        connection->atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    QMutexLocker lock(&m_mutex);
    m_reportedUnavailable = false;
    return connection;
}

void X11WindowList::release(std::unique_ptr<Connection> connection)
{
    if (!connection || connection->broken())
        return;
    QMutexLocker lock(&m_mutex);
    m_idle.push_back(std::move(connection));
}

std::vector<WindowInfo> X11WindowList::windows()
{
    std::unique_ptr<Connection> x = acquire();
    if (!x)
        return {};
    xcb_connection_t* c = x->connection;
    std::vector<xcb_window_t> clients = x->clientList();
    // The stacking list runs bottom to top.
    std::reverse(clients.begin(), clients.end());

    struct Cookies {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
        xcb_get_property_cookie_t pid, state, type, extents, wmClass;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(clients.size());
    for (xcb_window_t window : clients) {
        auto property = [&](xcb_atom_t atom, xcb_atom_t type, uint32_t longs) {
            return xcb_get_property(c, 0, window, atom, type, 0, longs);
        };
        cookies.push_back({
            xcb_get_window_attributes(c, window),
            xcb_get_geometry(c, window),
            xcb_translate_coordinates(c, window, x->root, 0, 0),
            property(x->atoms[WmPid], XCB_ATOM_CARDINAL, 1),
            property(x->atoms[WmState], XCB_ATOM_ATOM, 64),
            property(x->atoms[WmWindowType], XCB_ATOM_ATOM, 64),
            property(x->atoms[GtkFrameExtents], XCB_ATOM_CARDINAL, 4),
            property(XCB_ATOM_WM_CLASS, XCB_ATOM_ANY, 256),
        });
    }

    std::vector<EwmhWindowProperties> found;
    found.reserve(clients.size());
    std::vector<xcb_window_t> withoutPid;
    std::vector<size_t> withoutPidIndex;
    // Every reply is collected, also for windows already rejected, so none is left queued.
    for (size_t i = 0; i < cookies.size(); ++i) {
        const Cookies& cookie = cookies[i];
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, cookie.attributes, nullptr));
        XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, cookie.geometry, nullptr));
        XcbReply<xcb_translate_coordinates_reply_t> position(
            xcb_translate_coordinates_reply(c, cookie.position, nullptr));
        XcbReply<xcb_get_property_reply_t> pid(xcb_get_property_reply(c, cookie.pid, nullptr));
        XcbReply<xcb_get_property_reply_t> state(xcb_get_property_reply(c, cookie.state, nullptr));
        XcbReply<xcb_get_property_reply_t> type(xcb_get_property_reply(c, cookie.type, nullptr));
        XcbReply<xcb_get_property_reply_t> extents(
            xcb_get_property_reply(c, cookie.extents, nullptr));
        XcbReply<xcb_get_property_reply_t> wmClass(
            xcb_get_property_reply(c, cookie.wmClass, nullptr));

        EwmhWindowProperties properties;
        properties.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        properties.hiddenState = containsAtom(values32(state.get()), x->atoms[WmStateHidden]);
        const std::vector<quint32> types = values32(type.get());
        properties.desktopOrDock = containsAtom(types, x->atoms[WmWindowTypeDesktop]) ||
                                   containsAtom(types, x->atoms[WmWindowTypeDock]);
        if (geometry && position)
            properties.geometry =
                QRect(position->dst_x, position->dst_y, geometry->width, geometry->height);
        properties.frameExtents = values32(extents.get());
        properties.pidProperty = values32(pid.get());
        if (wmClass && wmClass->format == 8)
            properties.wmClass =
                QByteArray(static_cast<const char*>(xcb_get_property_value(wmClass.get())),
                           xcb_get_property_value_length(wmClass.get()));
        if (properties.viewable && !properties.pid()) {
            withoutPid.push_back(clients[i]);
            withoutPidIndex.push_back(found.size());
        }
        found.push_back(std::move(properties));
    }
    if (!withoutPid.empty()) {
        const std::vector<qint64> pids = x->clientPids(m_displayName, withoutPid);
        for (size_t i = 0; i < pids.size(); ++i) {
            if (pids[i] > 0)
                found[withoutPidIndex[i]].clientPid = pids[i];
        }
    }

    std::vector<WindowInfo> windows;
    windows.reserve(found.size());
    for (EwmhWindowProperties& properties : found) {
        if (properties.wmClass.isEmpty() && properties.pid() && properties.viewable)
            properties.processName = processName(*properties.pid());
        if (std::optional<WindowInfo> info = properties.toWindowInfo())
            windows.push_back(std::move(*info));
    }
    release(std::move(x));
    return windows;
}
