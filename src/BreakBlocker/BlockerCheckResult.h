#pragma once

#include <QString>
#include <optional>

// The answer of a blocker that names what blocks: whenever isBlocking is true, appName is set.
struct BlockerCheckResult {
    bool isBlocking = false;
    std::optional<QString> appName;

    // The name goes to the session log and the status panel: see singleLine().
    static BlockerCheckResult blockedBy(const QString& name) { return {true, singleLine(name)}; }

    // A name another program chose (a window class, a desktop entry's Name, a unit name, a
    // process name) with every control character and line or paragraph separator replaced by a
    // blank, so that it can never start a line of its own.
    static QString singleLine(QString name);

    friend bool operator==(const BlockerCheckResult&, const BlockerCheckResult&) = default;
};
