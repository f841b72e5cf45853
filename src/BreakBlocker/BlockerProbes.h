#pragma once

#include <memory>

class CameraProbe;
class MicrophoneProbe;
class RunningApplications;
class ScreenList;
class WindowList;

// The system probes behind the blocker checks. Shared, so that an evaluation still running in
// the background keeps them alive when the manager goes away. A missing probe makes its check
// answer negative.
struct BlockerProbes {
    std::shared_ptr<ScreenList> screens;
    std::shared_ptr<WindowList> windows;
    std::shared_ptr<CameraProbe> camera;
    std::shared_ptr<MicrophoneProbe> microphone;
    std::shared_ptr<RunningApplications> runningApplications;
};
