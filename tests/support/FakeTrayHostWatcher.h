#pragma once

#include "Platform/TrayHostWatcher.h"

// Tray hosts that the test brings up and takes down.
class FakeTrayHostWatcher final : public TrayHostWatcher {
public:
    bool hasStatusNotifierHost() const override { return statusNotifier; }
    bool hasXEmbedTray() const override { return xembed; }

    void setXEmbedTray(bool present)
    {
        xembed = present;
        emit changed();
    }

    bool statusNotifier = false;
    bool xembed = false;
};
