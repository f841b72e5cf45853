#pragma once

#include <QStringList>

// The cached verdict of the break blockers. Reads return the result of the last refresh and
// never wait for a new one; the refresh loop runs between startRefreshing() and stopRefreshing().
class BreakBlockerManagerProtocol {
public:
    virtual ~BreakBlockerManagerProtocol() = default;
    virtual bool isActive() const = 0;
    virtual QStringList activeBlockerNames() const = 0;
    virtual void startRefreshing() = 0;
    virtual void stopRefreshing() = 0;
};
