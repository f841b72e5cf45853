#pragma once

#include "Platform/MicrophoneProbe.h"

#include <QMutex>
#include <atomic>

// The active input device set by the test (nothing: no microphone in use); calls are counted.
class FakeMicrophoneProbe final : public MicrophoneProbe {
public:
    std::optional<QString> activeInputDevice() override
    {
        ++calls;
        QMutexLocker lock(&m_mutex);
        return m_device;
    }

    void setDevice(std::optional<QString> device)
    {
        QMutexLocker lock(&m_mutex);
        m_device = std::move(device);
    }

    std::atomic<int> calls = 0;

private:
    QMutex m_mutex;
    std::optional<QString> m_device;
};
