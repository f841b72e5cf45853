#pragma once

#include "Platform/IdleTimeSource.h"
#include "Platform/ScreenLockSource.h"

#include <memory>
#include <vector>

// Makes the activity monitor's backends. The fallback between idle-time mechanisms lives in the
// implementation, so the monitor never sees which desktop it runs on.
class ActivityBackendFactory {
public:
    virtual ~ActivityBackendFactory() = default;
    // The first source that answers, or null when none does (the monitor then answers
    // ActivityMonitor::unknownIdleSeconds).
    virtual std::unique_ptr<IdleTimeSource> createIdleTimeSource() = 0;
    // Fresh sources, listening until they are destroyed. Unavailable buses are left out.
    virtual std::vector<std::unique_ptr<ScreenLockSource>> createScreenLockSources() = 0;
};
