#pragma once

#include "BreakManager/BreakBlockerManagerProtocol.h"

// A blocker verdict set by the test, with counts of the refresh loop's start and stop.
class FakeBreakBlockerManager final : public BreakBlockerManagerProtocol {
public:
    bool isActive() const override { return active; }
    QStringList activeBlockerNames() const override { return names; }
    void startRefreshing() override
    {
        ++starts;
        refreshing = true;
    }
    void stopRefreshing() override
    {
        ++stops;
        refreshing = false;
    }

    void block(QStringList blockerNames = {QStringLiteral("Meeting")})
    {
        active = true;
        names = std::move(blockerNames);
    }
    void clear()
    {
        active = false;
        names.clear();
    }

    bool active = false;
    QStringList names;
    bool refreshing = false;
    int starts = 0;
    int stops = 0;
};
