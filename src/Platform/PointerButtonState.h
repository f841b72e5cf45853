#pragma once

#include <functional>

// Mouse buttons anywhere on the desktop, including over other applications' windows. Main
// thread; nothing here waits on the display.
class PointerButtonState {
public:
    virtual ~PointerButtonState() = default;

    // Whether a button is held right now; "unknown" answers false. For polling where presses
    // cannot be watched.
    virtual bool anyButtonPressed() const = 0;

    // Reports every left or right press from now until stopWatchingPresses(). Where presses
    // cannot be watched, onUnsupported runs once instead (possibly later) and the caller polls
    // anyButtonPressed().
    virtual void watchPresses(std::function<void()> onPress,
                              std::function<void()> onUnsupported) = 0;
    virtual void stopWatchingPresses() = 0;
};
