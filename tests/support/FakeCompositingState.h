#pragma once

#include "Platform/CompositingState.h"

// A compositor that runs or not, as the test says.
class FakeCompositingState final : public CompositingState {
public:
    explicit FakeCompositingState(bool isActive = true)
        : active(isActive)
    {
    }
    bool isActive() const override { return active; }
    bool active;
};
