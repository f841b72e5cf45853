#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

// Follows the owner of the XEmbed system tray selection (_NET_SYSTEM_TRAY_S<screen>) on an X
// connection of its own: the owner at start, the MANAGER message a new tray broadcasts, and the
// owner window's destruction. Every request is answered through the connection's socket, so
// nothing waits on the X server. Without a display there is never a tray. Main thread.
class XEmbedTrayWatcher {
public:
    explicit XEmbedTrayWatcher(std::function<void()> onChanged);
    ~XEmbedTrayWatcher();
    XEmbedTrayWatcher(const XEmbedTrayWatcher&) = delete;
    XEmbedTrayWatcher& operator=(const XEmbedTrayWatcher&) = delete;

    bool hasTray() const { return m_owner != 0; }

private:
    void process();
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
};
