#pragma once

#include <QList>
#include <QRect>

// The frame of every screen in the window system's root coordinates (origin top left, y growing
// downward), the primary screen first. Main thread only; cheap enough for every refresh.
class ScreenList {
public:
    virtual ~ScreenList() = default;
    virtual QList<QRect> screenFrames() const = 0;
};
