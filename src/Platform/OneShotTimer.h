#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

// A one-shot timer the engine waits on (the pause between two blocker refreshes), so that tests
// fire it by hand instead of waiting it out. Shaped like ServiceTimer, which the engine cannot
// see. Main thread only.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    // Replaces a shot that is still pending.
    virtual void start(std::chrono::milliseconds delay, std::function<void()> onTimeout) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

class QtOneShotTimer final : public OneShotTimer {
public:
    explicit QtOneShotTimer(Qt::TimerType type = Qt::PreciseTimer)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(type);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            // The callback may restart this timer, which replaces m_onTimeout.
            const auto onTimeout = m_onTimeout;
            if (onTimeout)
                onTimeout();
        });
    }
    void start(std::chrono::milliseconds delay, std::function<void()> onTimeout) override
    {
        m_onTimeout = std::move(onTimeout);
        m_timer.start(delay);
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_onTimeout;
};
