#pragma once

#include "Configuration/AppEntry.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <optional>

enum class TimingPreset;

// The user's settings record. Durations are seconds. Fields are declared, encoded and decoded in
// this order; the JSON keys are the field names.
struct Configuration {
    double workDurationSeconds = 2100;
    double breakDurationSeconds = 40;
    double snoozeDurationSeconds = 60;
    double idleThresholdSeconds = 30;
    double preAlertDurationSeconds = 60;
    double cursorAlertDurationSeconds = 10;
    double naturalBreakSeconds = 90;
    double tickIntervalSeconds = 1;
    bool breakBlockMeetingEnabled = true;
    bool breakBlockFullscreenEnabled = true;
    QList<AppEntry> meetingApps = AppEntry::defaultMeetingApps();
    QList<AppEntry> breakBlockerApps;
    bool breakBlockAppsEnabled = false;
    QList<AppEntry> meetingExclusionApps = AppEntry::defaultMeetingExclusionApps();
    bool longBreakEnabled = true;
    double longBreakDurationSeconds = 120;
    qint64 longBreakIntervalBreaks = 2;
    bool sendAnonymousCrashReports = true;

    // Numbers compare numerically, so a NaN field makes two records unequal.
    friend bool operator==(const Configuration&, const Configuration&) = default;

    static const Configuration& defaults();

    // The preset whose ten timing values this record holds exactly, if any.
    std::optional<TimingPreset> activePreset() const;

    // Durations the engine will not run on: a tick this short only burns wakeups (the countdowns
    // show whole seconds), and past a billion seconds (some 30 years) a value is no setting but
    // damage: counting a 1e308 s break down by one second never ends, and such values overflow
    // the engine's millisecond arithmetic. Large hand-set values below that ("never idle") stay.
    static constexpr double shortestTickSeconds = 0.1;
    static constexpr double longestDurationSeconds = 1e9;

    // The record the engine runs on: a duration that is not finite, negative or longer than
    // longestDurationSeconds, and a tick shorter than shortestTickSeconds, reads as that field's
    // default. The stored record is left as it is, so the settings still show what was stored.
    Configuration sanitized() const;

    // Strict decoding: an absent or null key takes its default, a key of the wrong type (or a
    // malformed list element) fails the whole record. On failure `why` says what was wrong.
    static std::optional<Configuration> fromJson(const QByteArray& json, QString* why = nullptr);
    // Compact JSON with all 18 keys. Fails when a number is not finite, since the JSON writer
    // would silently turn it into null.
    std::optional<QByteArray> toJson() const;
};

Q_DECLARE_METATYPE(Configuration)
