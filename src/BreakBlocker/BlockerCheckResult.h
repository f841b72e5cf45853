#pragma once

#include <QString>
#include <optional>

// The answer of a blocker that names what blocks: whenever isBlocking is true, appName is set.
struct BlockerCheckResult {
    bool isBlocking = false;
    std::optional<QString> appName;

    static BlockerCheckResult blockedBy(const QString& name) { return {true, name}; }

    friend bool operator==(const BlockerCheckResult&, const BlockerCheckResult&) = default;
};
