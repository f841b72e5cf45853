#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// An application named in a settings list. Its identity is the identifier (on Linux the
// desktop-entry id, for example "org.mozilla.firefox"); equality also compares the name.
struct AppEntry {
    QString bundleIdentifier;
    QString displayName;

    QString id() const { return bundleIdentifier; }

    friend bool operator==(const AppEntry&, const AppEntry&) = default;

    QJsonObject toJson() const;
    // Both keys must be strings; anything else gives no entry.
    static std::optional<AppEntry> fromJson(const QJsonValue& value);

    static const QList<AppEntry>& defaultMeetingApps();
    static const QList<AppEntry>& defaultMeetingExclusionApps();
};

inline size_t qHash(const AppEntry& entry, size_t seed = 0)
{
    return qHashMulti(seed, entry.bundleIdentifier, entry.displayName);
}
