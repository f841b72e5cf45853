#pragma once

#include "Platform/PointerButtonState.h"

// A pointer whose buttons the test presses. Without `watchable` it offers only polling, and reads
// are counted; with it, press() reports a press while someone watches.
class FakePointerButtonState final : public PointerButtonState {
public:
    bool anyButtonPressed() const override
    {
        ++reads;
        return pressed;
    }

    void watchPresses(std::function<void()> onPress, std::function<void()> onUnsupported) override
    {
        if (!watchable) {
            onUnsupported();
            return;
        }
        m_onPress = std::move(onPress);
    }
    void stopWatchingPresses() override { m_onPress = nullptr; }

    bool isWatched() const { return bool(m_onPress); }
    void press()
    {
        if (m_onPress)
            m_onPress();
    }

    bool pressed = false;
    bool watchable = false;
    mutable int reads = 0;

private:
    std::function<void()> m_onPress;
};
