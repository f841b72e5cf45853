#pragma once

#include "BreakManager/ActivityMonitorProtocol.h"

#include <limits>

// Idle seconds and lock state set by the test. Reads are counted.
class FakeActivityMonitor final : public ActivityMonitorProtocol {
public:
    double secondsSinceLastActivity() const override
    {
        ++reads;
        return locked ? std::numeric_limits<double>::max() : idleSeconds;
    }
    bool isScreenLocked() const override { return locked; }

    double idleSeconds = 0;
    bool locked = false;
    mutable int reads = 0;
};
