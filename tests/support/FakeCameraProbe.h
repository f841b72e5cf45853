#pragma once

#include "Platform/CameraProbe.h"

#include <atomic>

// Camera use set by the test; calls are counted.
class FakeCameraProbe final : public CameraProbe {
public:
    bool isCameraInUse() override
    {
        ++calls;
        return inUse;
    }

    std::atomic<bool> inUse = false;
    std::atomic<int> calls = 0;
};
