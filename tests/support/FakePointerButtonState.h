#pragma once

#include "Platform/PointerButtonState.h"

// A pointer whose buttons the test presses. Reads are counted.
class FakePointerButtonState final : public PointerButtonState {
public:
    bool anyButtonPressed() const override
    {
        ++reads;
        return pressed;
    }

    bool pressed = false;
    mutable int reads = 0;
};
