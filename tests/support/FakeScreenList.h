#pragma once

#include "Platform/ScreenList.h"

// Screen frames set by the test; reads are counted.
class FakeScreenList final : public ScreenList {
public:
    QList<QRect> screenFrames() const override
    {
        ++calls;
        return frames;
    }

    QList<QRect> frames{QRect(0, 0, 1280, 800)};
    mutable int calls = 0;
};
