#pragma once

// Whether some process of this user holds a camera open. Called from background threads;
// implementations must allow concurrent calls. Anything unreadable answers false.
class CameraProbe {
public:
    virtual ~CameraProbe() = default;
    virtual bool isCameraInUse() = 0;
};
