#pragma once

#include "Platform/ScreenLocker.h"

// Counts lock requests.
class FakeScreenLocker final : public ScreenLocker {
public:
    void lock() override { ++lockCount; }
    int lockCount = 0;
};
