#pragma once

#include <QString>
#include <array>
#include <optional>

struct Configuration;

// A named set of ten timing values. Nothing stores a preset: it is recognised again by matching.
enum class TimingPreset { balanced, frequentBreaks, deepFocus };

struct TimingPresetValues {
    double workDurationSeconds;
    double breakDurationSeconds;
    double longBreakDurationSeconds;
    qint64 longBreakIntervalBreaks;
};

// The six values all presets share.
namespace TimingPresetCommon {
inline constexpr double snoozeDurationSeconds = 60;
inline constexpr double idleThresholdSeconds = 30;
inline constexpr double preAlertDurationSeconds = 60;
inline constexpr double cursorAlertDurationSeconds = 10;
inline constexpr double naturalBreakSeconds = 90;
inline constexpr bool longBreakEnabled = true;
} // namespace TimingPresetCommon

const std::array<TimingPreset, 3>& allTimingPresets();
QString timingPresetRawValue(TimingPreset preset);
// Exact, case-sensitive match of the raw value.
std::optional<TimingPreset> timingPresetFromRawValue(const QString& rawValue);
TimingPresetValues timingPresetValues(TimingPreset preset);

// Sets the ten timing values of `preset`, leaving every other field as it was.
void applyTimingPreset(TimingPreset preset, Configuration& config);
// All ten values equal, compared exactly.
bool timingPresetMatches(TimingPreset preset, const Configuration& config);
