#pragma once

#include "Platform/WindowList.h"

#include <QMutex>
#include <QSemaphore>
#include <atomic>
#include <stdexcept>

// Windows set by the test, read from any thread; calls are counted. With `holdCalls` set, each
// call waits until the test lets it go with release(), so a test can keep an evaluation running;
// with `throwCalls` set, each call throws.
class FakeWindowList final : public WindowList {
public:
    std::vector<WindowInfo> windows() override
    {
        ++calls;
        if (throwCalls)
            throw std::runtime_error("window list broke");
        if (holdCalls) {
            ++waiting;
            m_gate.acquire();
            --waiting;
        }
        QMutexLocker lock(&m_mutex);
        return m_windows;
    }

    void setWindows(std::vector<WindowInfo> windows)
    {
        QMutexLocker lock(&m_mutex);
        m_windows = std::move(windows);
    }
    void release(int count = 1) { m_gate.release(count); }

    std::atomic<bool> holdCalls = false;
    std::atomic<bool> throwCalls = false;
    std::atomic<int> calls = 0;
    std::atomic<int> waiting = 0;

private:
    QMutex m_mutex;
    std::vector<WindowInfo> m_windows;
    QSemaphore m_gate;
};
