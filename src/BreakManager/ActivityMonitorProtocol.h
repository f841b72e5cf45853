#pragma once

// What the break engine reads about the user's input. Called on the main thread once or twice
// per tick, so implementations answer quickly and never block on the system. The application
// starts the monitor before the engine; the engine itself only reads.
class ActivityMonitorProtocol {
public:
    // A due break waits for a pause in input this long (seconds), so it never pulls the screen
    // away mid-keystroke.
    static constexpr double activityCooldownSeconds = 2;

    virtual ~ActivityMonitorProtocol() = default;
    // Begins and ends following the screen lock; idle reads work either way.
    virtual void start() = 0;
    virtual void stop() = 0;
    // Seconds since the most recent user input; the largest finite double while locked.
    virtual double secondsSinceLastActivity() const = 0;
    virtual bool isScreenLocked() const = 0;
};
