#pragma once

#include "FakeIdleTimeSource.h"
#include "FakeScreenLockSource.h"
#include "Platform/ActivityBackendFactory.h"

#include <QList>
#include <QPointer>

// Hands out one FakeIdleTimeSource (or none) and `lockSourceCount` fresh FakeScreenLockSources
// per request. `idleSource` stays valid while the monitor holds it; `lockSources` are the last
// request's, and turn null when the monitor destroys them.
class FakeActivityBackendFactory final : public ActivityBackendFactory {
public:
    FakeActivityBackendFactory()
        : m_idleSource(std::make_unique<FakeIdleTimeSource>())
        , idleSource(m_idleSource.get())
    {
    }

    std::unique_ptr<IdleTimeSource> createIdleTimeSource() override
    {
        ++idleSourceRequests;
        if (!idleSourceAnswers)
            return nullptr;
        return std::move(m_idleSource);
    }

    std::vector<std::unique_ptr<ScreenLockSource>> createScreenLockSources() override
    {
        ++lockSourceRequests;
        lockSources.clear();
        std::vector<std::unique_ptr<ScreenLockSource>> made;
        for (int i = 0; i < lockSourceCount; ++i) {
            auto source = std::make_unique<FakeScreenLockSource>();
            lockSources << source.get();
            made.push_back(std::move(source));
        }
        return made;
    }

    // Every live source of the last request reports.
    void reportFromAll(bool locked)
    {
        for (const auto& source : lockSources) {
            if (source)
                source->report(locked);
        }
    }

private:
    std::unique_ptr<FakeIdleTimeSource> m_idleSource;

public:
    FakeIdleTimeSource* idleSource;
    bool idleSourceAnswers = true;
    int lockSourceCount = 1;
    QList<QPointer<FakeScreenLockSource>> lockSources;
    int idleSourceRequests = 0;
    int lockSourceRequests = 0;
};
