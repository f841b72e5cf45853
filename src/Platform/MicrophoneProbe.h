#pragma once

#include <QString>
#include <optional>

// Whether an input audio device (not a monitor of an output) is recording for some process.
// Answers the device's name when one is (empty if it has none), nothing otherwise; no sound
// server answers nothing. Called from background threads; implementations must allow
// concurrent calls.
class MicrophoneProbe {
public:
    virtual ~MicrophoneProbe() = default;
    virtual std::optional<QString> activeInputDevice() = 0;
};
