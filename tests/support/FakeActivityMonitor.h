#pragma once

#include "BreakManager/ActivityMonitorProtocol.h"

#include <limits>

// Idle seconds and lock state set by the test. Reads and starts are counted.
class FakeActivityMonitor final : public ActivityMonitorProtocol {
public:
    void start() override { ++starts; }
    void stop() override { ++stops; }
    double secondsSinceLastActivity() const override
    {
        ++reads;
        return locked ? std::numeric_limits<double>::max() : idleSeconds;
    }
    bool isScreenLocked() const override { return locked; }

    double idleSeconds = 0;
    bool locked = false;
    mutable int reads = 0;
    int starts = 0;
    int stops = 0;
};
