#pragma once

#include "Platform/WindowList.h"

#include <QByteArray>
#include <QMutex>
#include <memory>
#include <vector>

// The managed windows of an X display (under Wayland: the XWayland ones), from the window
// manager's _NET_CLIENT_LIST_STACKING (else _NET_CLIENT_LIST), front to back. Without a
// window manager publishing either list the answer is empty. All requests of one call are
// pipelined, so a call costs about one round trip whatever the number of windows, and one more
// when some window lacks _NET_WM_PID: the X-Resource extension then names its client's process.
//
// Connections are made on first use and kept; each call takes one for itself, so concurrent
// calls never share one, and a broken connection is dropped and made again next time.
class X11WindowList final : public WindowList {
public:
    // An empty display name means $DISPLAY.
    explicit X11WindowList(QByteArray displayName = {});
    ~X11WindowList() override;

    std::vector<WindowInfo> windows() override;

private:
    struct Connection;
    std::unique_ptr<Connection> acquire();
    void release(std::unique_ptr<Connection> connection);

    QByteArray m_displayName;
    QMutex m_mutex;
    std::vector<std::unique_ptr<Connection>> m_idle;
    bool m_reportedUnavailable = false;
};
