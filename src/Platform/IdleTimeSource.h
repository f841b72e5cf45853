#pragma once

#include <QString>
#include <optional>

// Seconds since the user's last keyboard or pointer input, as one part of the desktop counts
// them. Called on the main thread; an implementation answers within a short bound (D-Bus
// backends time out after at most 200 ms). std::nullopt: no answer this time.
class IdleTimeSource {
public:
    virtual ~IdleTimeSource() = default;
    virtual std::optional<double> idleSeconds() = 0;
    // Names the mechanism in the log.
    virtual QString name() const = 0;
};
