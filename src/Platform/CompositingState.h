#pragma once

// Whether a compositing manager runs, so translucent windows really show what lies beneath them.
// The answer is cached and kept current from the display server's notifications. Main thread.
class CompositingState {
public:
    virtual ~CompositingState() = default;
    virtual bool isActive() const = 0;
};
