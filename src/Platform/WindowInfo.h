#pragma once

#include <QRect>
#include <QString>
#include <optional>

// One on-screen application window as the window list reports it. Bounds are in the window
// system's root coordinates (origin top left, y growing downward), without client-side shadows.
struct WindowInfo {
    // Absent when the window does not say which process owns it.
    std::optional<qint64> pid;
    QString ownerName;
    QRect bounds;
};
