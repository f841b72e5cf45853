#pragma once

#include "Platform/ServiceTimer.h"

// A timer that never fires by itself: the test reads the requested delay and fires it by hand.
class FakeServiceTimer final : public ServiceTimer {
public:
    void start(std::chrono::milliseconds delay, std::function<void()> onTimeout) override
    {
        m_delay = delay;
        m_onTimeout = std::move(onTimeout);
        m_active = true;
        ++m_startCount;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    std::chrono::milliseconds delay() const { return m_delay; }
    int startCount() const { return m_startCount; }
    // Runs the pending shot as if its time had come; false when none is pending.
    bool fire()
    {
        if (!m_active)
            return false;
        m_active = false;
        const auto onTimeout = m_onTimeout;
        onTimeout();
        return true;
    }

private:
    std::chrono::milliseconds m_delay{0};
    std::function<void()> m_onTimeout;
    bool m_active = false;
    int m_startCount = 0;
};
