#pragma once

#include "Platform/WindowInfo.h"

#include <QByteArray>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

// What the X server says about one managed client window, before interpretation. The window
// list fills it from a few requests; toWindowInfo() decides whether and how the window counts.
struct EwmhWindowProperties {
    // Map state IsViewable: mapped, and so on the current desktop.
    bool viewable = false;
    // _NET_WM_STATE holds _NET_WM_STATE_HIDDEN (minimized, shaded).
    bool hiddenState = false;
    // _NET_WM_WINDOW_TYPE holds _DESKTOP or _DOCK.
    bool desktopOrDock = false;
    // The client area in root coordinates, borders excluded.
    std::optional<QRect> geometry;
    // _GTK_FRAME_EXTENTS (left, right, top, bottom): the shadow a client-side decorated window
    // draws around itself.
    std::vector<quint32> frameExtents;
    // _NET_WM_PID.
    std::vector<quint32> pidProperty;
    // The process of the X client that made the window, from the X-Resource extension: asked
    // only when _NET_WM_PID is missing (xmessage and other plain X clients never set it).
    std::optional<qint64> clientPid;
    // WM_CLASS: instance name and class name, each NUL-terminated.
    QByteArray wmClass;
    // /proc/PID/comm, read only for a window without WM_CLASS.
    QString processName;

    // _NET_WM_PID, else the client's process.
    std::optional<qint64> pid() const;
    // The class name, else the instance name, else the process name, else "Unknown".
    QString ownerName() const;
    // Nothing for windows that are not on screen at the normal level, or have no valid area.
    std::optional<WindowInfo> toWindowInfo() const;
};
