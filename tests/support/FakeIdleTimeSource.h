#pragma once

#include "Platform/IdleTimeSource.h"

// Answers what the test sets (nullopt: no answer). Reads are counted.
class FakeIdleTimeSource final : public IdleTimeSource {
public:
    std::optional<double> idleSeconds() override
    {
        ++reads;
        return seconds;
    }
    QString name() const override { return QStringLiteral("fake idle counter"); }

    std::optional<double> seconds = 0.0;
    int reads = 0;
};
