#pragma once

#include <functional>

// The first-run window: calls `onComplete` once the user finishes it, after the window is hidden.
// Closing it without finishing writes nothing and calls `onClosed` instead.
class OnboardingWindowControllerProtocol {
public:
    virtual ~OnboardingWindowControllerProtocol() = default;
    virtual void show(std::function<void()> onComplete, std::function<void()> onClosed) = 0;
};
