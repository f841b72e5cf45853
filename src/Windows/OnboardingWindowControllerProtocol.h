#pragma once

#include <functional>

// The first-run window: shown once, calls `onComplete` when the user finishes it. Closing it
// without finishing calls nothing.
class OnboardingWindowControllerProtocol {
public:
    virtual ~OnboardingWindowControllerProtocol() = default;
    virtual void show(std::function<void()> onComplete) = 0;
};
