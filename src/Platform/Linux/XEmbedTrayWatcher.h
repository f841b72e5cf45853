#pragma once

#include <QFutureWatcher>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

// Follows the owner of the XEmbed system tray selection (_NET_SYSTEM_TRAY_S<screen>) on an X
// connection of its own: the owner at start, the MANAGER message a new tray broadcasts, and the
// owner window's destruction. The connection is made on a worker thread, and every request is
// answered through the connection's socket, so nothing waits on the X server. Without a display
// there is never a tray. Main thread.
class XEmbedTrayWatcher {
public:
    explicit XEmbedTrayWatcher(std::function<void()> onChanged);
    ~XEmbedTrayWatcher();
    XEmbedTrayWatcher(const XEmbedTrayWatcher&) = delete;
    XEmbedTrayWatcher& operator=(const XEmbedTrayWatcher&) = delete;

    bool hasTray() const { return m_owner != 0; }

    struct Connection {
        xcb_connection_t* connection = nullptr;
        int screen = 0;
    };

private:
    void start(Connection connected);
    void process();
    // Takes the answer to one atom request if it has come; false while it has not.
    bool takeAtom(unsigned int& cookie, uint32_t& atom);
    void askOwner();
    void setOwner(uint32_t owner);

    std::function<void()> m_onChanged;
    xcb_connection_t* m_connection = nullptr;
    uint32_t m_root = 0;
    uint32_t m_selection = 0;
    uint32_t m_manager = 0;
    unsigned int m_selectionCookie = 0;
    unsigned int m_managerCookie = 0;
    bool m_atomsPending = false;
    std::deque<unsigned int> m_ownerCookies;
    uint32_t m_owner = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QFutureWatcher<Connection> m_connecting;
    // Whether start() has taken the connection over from the worker.
    bool m_taken = false;
};
