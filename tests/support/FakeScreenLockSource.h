#pragma once

#include "Platform/ScreenLockSource.h"

// A lock source the test speaks for.
class FakeScreenLockSource final : public ScreenLockSource {
public:
    void report(bool locked) { emit lockStateReported(locked); }
};
