#pragma once

#include "Platform/RunningApplication.h"

#include <vector>

// This user's running applications, one element per resolved process, in process order (so an
// application may appear more than once). Called from background threads, never from the main
// thread: it reads the process table. Implementations must allow concurrent calls.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;
    virtual std::vector<RunningApplication> runningApplications() = 0;
};
