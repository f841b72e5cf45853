#pragma once

#include "Platform/ScreenLocker.h"

// Locks through the first that answers of org.freedesktop.ScreenSaver.Lock and
// org.gnome.ScreenSaver.Lock on the session bus, then `loginctl lock-session`. Calls are
// asynchronous; the next one starts when the previous one fails.
class DBusScreenLocker final : public ScreenLocker {
public:
    void lock() override;
};
