#pragma once

#include "Platform/WindowInfo.h"

#include <vector>

// The on-screen windows at the normal level (no desktop, dock or hidden windows), front to back.
// Called from background threads; implementations must allow concurrent calls. An unavailable
// window system answers an empty list.
class WindowList {
public:
    virtual ~WindowList() = default;
    virtual std::vector<WindowInfo> windows() = 0;
};
