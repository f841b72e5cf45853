#pragma once

// What the break engine reads about the user's input. Called on the main thread once or twice
// per tick, so implementations answer quickly and never block on the system.
class ActivityMonitorProtocol {
public:
    virtual ~ActivityMonitorProtocol() = default;
    // Seconds since the most recent user input; the largest finite double while locked.
    virtual double secondsSinceLastActivity() const = 0;
    virtual bool isScreenLocked() const = 0;
};
