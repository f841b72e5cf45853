#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

// A one-shot timer for waits that run for seconds to hours (the services' retry backoff, check
// cycle and deadlines, the pause between blocker refreshes, the tray hint's delays), so that tests
// fire it by hand instead of waiting them out. Main thread only.
class ServiceTimer {
public:
    virtual ~ServiceTimer() = default;
    // Replaces a shot that is still pending.
    virtual void start(std::chrono::milliseconds delay, std::function<void()> onTimeout) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

class QtServiceTimer final : public ServiceTimer {
public:
    QtServiceTimer()
    {
        m_timer.setSingleShot(true);
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
