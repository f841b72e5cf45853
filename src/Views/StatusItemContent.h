#pragma once

#include "BreakManager/BreakState.h"

#include <QString>

// What the tray icon shows for one moment of the engine: which picture, the short countdown
// drawn into it, the red blocked dot, and the full title as the tooltip. A pure value, so
// StatusItemController redraws only when it differs from what is on screen.
struct StatusItemContent {
    enum class Image { stand, moon, countdown };

    Image image = Image::stand;
    // The countdown drawn into the icon ("35m", "45s", "Now"); empty for stand and moon.
    QString text;
    // The full title: "35m", "1m Blocked", "Now Blocked", "Blocked", or the icon's name.
    QString toolTip;
    bool redDot = false;

    friend bool operator==(const StatusItemContent&, const StatusItemContent&) = default;

    static StatusItemContent make(BreakState state, double timeUntilBreak, bool blocked,
                                  bool redDot);
};
