#pragma once

#include <QString>

// Plays one of the break sounds by name ("break-started"), without waiting for it and without
// stopping one that still plays. Main thread.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& name) = 0;
};
