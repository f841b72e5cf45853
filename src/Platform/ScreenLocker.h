#pragma once

// Locks the session's screen at once. Asynchronous and silent: the call returns before anything
// is known, and a desktop that cannot lock simply stays unlocked. Main thread.
class ScreenLocker {
public:
    virtual ~ScreenLocker() = default;
    virtual void lock() = 0;
};
