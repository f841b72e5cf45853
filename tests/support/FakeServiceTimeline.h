#pragma once

#include "Platform/ServiceTimer.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// A time line for code that makes its own timers, which moves only when the test moves it:
// advance() fires every shot that falls due on the way, in the order they fall due, as the event
// loop would. A timer still running when the set goes is simply never fired.
class FakeServiceTimeline {
public:
    FakeServiceTimeline() = default;
    FakeServiceTimeline(const FakeServiceTimeline&) = delete;
    FakeServiceTimeline& operator=(const FakeServiceTimeline&) = delete;
    ~FakeServiceTimeline()
    {
        for (Timer* timer : m_timers)
            timer->set = nullptr;
    }

    std::function<std::unique_ptr<ServiceTimer>()> factory()
    {
        return [this]() -> std::unique_ptr<ServiceTimer> { return std::make_unique<Timer>(this); };
    }
    std::function<std::chrono::milliseconds()> clock()
    {
        return [this] { return m_now; };
    }

    std::chrono::milliseconds now() const { return m_now; }
    int pendingCount() const
    {
        return int(std::count_if(m_timers.begin(), m_timers.end(),
                                 [](const Timer* timer) { return timer->active; }));
    }

    void advance(std::chrono::milliseconds span)
    {
        const std::chrono::milliseconds end = m_now + span;
        while (Timer* next = nextDue(end)) {
            m_now = next->due;
            next->active = false;
            // The shot may restart or destroy its timer.
            const std::function<void()> onTimeout = next->onTimeout;
            if (onTimeout)
                onTimeout();
        }
        m_now = end;
    }

private:
    struct Timer final : ServiceTimer {
        explicit Timer(FakeServiceTimeline* owner)
            : set(owner)
        {
            set->m_timers.push_back(this);
        }
        ~Timer() override
        {
            if (set)
                std::erase(set->m_timers, this);
        }
        void start(std::chrono::milliseconds delay, std::function<void()> callback) override
        {
            if (!set)
                return;
            due = set->m_now + delay;
            order = ++set->m_starts;
            onTimeout = std::move(callback);
            active = true;
        }
        void stop() override { active = false; }
        bool isActive() const override { return active; }

        FakeServiceTimeline* set;
        std::chrono::milliseconds due{0};
        unsigned long order = 0;
        std::function<void()> onTimeout;
        bool active = false;
    };

    Timer* nextDue(std::chrono::milliseconds end) const
    {
        Timer* next = nullptr;
        for (Timer* timer : m_timers) {
            if (!timer->active || timer->due > end)
                continue;
            if (!next || timer->due < next->due ||
                (timer->due == next->due && timer->order < next->order))
                next = timer;
        }
        return next;
    }

    std::vector<Timer*> m_timers;
    std::chrono::milliseconds m_now{0};
    unsigned long m_starts = 0;
};
