#pragma once

#include "Platform/RunningApplications.h"

#include <QMutex>
#include <atomic>

// Running processes set by the test; calls are counted.
class FakeRunningApplications final : public RunningApplications {
public:
    std::vector<RunningApplication> runningApplications() override
    {
        ++calls;
        QMutexLocker lock(&m_mutex);
        return m_apps;
    }

    void setApplications(std::vector<RunningApplication> apps)
    {
        QMutexLocker lock(&m_mutex);
        m_apps = std::move(apps);
    }

    std::atomic<int> calls = 0;

private:
    QMutex m_mutex;
    std::vector<RunningApplication> m_apps;
};
