#pragma once

#include <QDateTime>

// Where "now" comes from. Production uses SystemClock; tests pass a FakeClock and move it.
// Only wall-clock dates go through this: the engine's counters advance by ticks, not by time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
