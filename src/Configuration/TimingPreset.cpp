#include "Configuration/TimingPreset.h"

#include "Configuration/Configuration.h"

const std::array<TimingPreset, 3>& allTimingPresets()
{
    static constexpr std::array<TimingPreset, 3> presets{
        TimingPreset::balanced, TimingPreset::frequentBreaks, TimingPreset::deepFocus};
    return presets;
}

QString timingPresetRawValue(TimingPreset preset)
{
    switch (preset) {
    case TimingPreset::balanced:
        return QStringLiteral("balanced");
    case TimingPreset::frequentBreaks:
        return QStringLiteral("frequentBreaks");
    case TimingPreset::deepFocus:
        return QStringLiteral("deepFocus");
    }
    return {};
}

std::optional<TimingPreset> timingPresetFromRawValue(const QString& rawValue)
{
    for (TimingPreset preset : allTimingPresets()) {
        if (timingPresetRawValue(preset) == rawValue)
            return preset;
    }
    return std::nullopt;
}

TimingPresetValues timingPresetValues(TimingPreset preset)
{
    switch (preset) {
    case TimingPreset::balanced:
        return {2100, 40, 120, 2};
    case TimingPreset::frequentBreaks:
        return {1500, 30, 120, 3};
    case TimingPreset::deepFocus:
        return {2700, 60, 180, 2};
    }
    return {2100, 40, 120, 2};
}

void applyTimingPreset(TimingPreset preset, Configuration& config)
{
    const TimingPresetValues values = timingPresetValues(preset);
    config.workDurationSeconds = values.workDurationSeconds;
    config.breakDurationSeconds = values.breakDurationSeconds;
    config.longBreakDurationSeconds = values.longBreakDurationSeconds;
    config.longBreakIntervalBreaks = values.longBreakIntervalBreaks;
    config.snoozeDurationSeconds = TimingPresetCommon::snoozeDurationSeconds;
    config.idleThresholdSeconds = TimingPresetCommon::idleThresholdSeconds;
    config.preAlertDurationSeconds = TimingPresetCommon::preAlertDurationSeconds;
    config.cursorAlertDurationSeconds = TimingPresetCommon::cursorAlertDurationSeconds;
    config.naturalBreakSeconds = TimingPresetCommon::naturalBreakSeconds;
    config.longBreakEnabled = TimingPresetCommon::longBreakEnabled;
}

bool timingPresetMatches(TimingPreset preset, const Configuration& config)
{
    const TimingPresetValues values = timingPresetValues(preset);
    return config.workDurationSeconds == values.workDurationSeconds &&
           config.breakDurationSeconds == values.breakDurationSeconds &&
           config.snoozeDurationSeconds == TimingPresetCommon::snoozeDurationSeconds &&
           config.preAlertDurationSeconds == TimingPresetCommon::preAlertDurationSeconds &&
           config.cursorAlertDurationSeconds == TimingPresetCommon::cursorAlertDurationSeconds &&
           config.idleThresholdSeconds == TimingPresetCommon::idleThresholdSeconds &&
           config.naturalBreakSeconds == TimingPresetCommon::naturalBreakSeconds &&
           config.longBreakEnabled &&
           config.longBreakDurationSeconds == values.longBreakDurationSeconds &&
           config.longBreakIntervalBreaks == values.longBreakIntervalBreaks;
}
