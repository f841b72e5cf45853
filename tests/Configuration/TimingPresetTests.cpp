#include "Configuration/Configuration.h"
#include "Configuration/TimingPreset.h"

#include <gtest/gtest.h>

TEST(TimingPreset, DefaultsMatchBalanced)
{
    EXPECT_EQ(Configuration::defaults().activePreset(), TimingPreset::balanced);
}

TEST(TimingPreset, ApplyingAPresetIsRecognisedWhateverTheOtherFields)
{
    for (TimingPreset preset : allTimingPresets()) {
        Configuration c;
        c.tickIntervalSeconds = 3;
        c.breakBlockFullscreenEnabled = false;
        c.meetingApps.clear();
        c.sendAnonymousCrashReports = false;
        c.longBreakEnabled = false;
        c.naturalBreakSeconds = 5;
        applyTimingPreset(preset, c);
        EXPECT_EQ(c.activePreset(), preset) << timingPresetRawValue(preset).toStdString();
        EXPECT_EQ(c.tickIntervalSeconds, 3);
        EXPECT_TRUE(c.meetingApps.isEmpty());
        EXPECT_FALSE(c.sendAnonymousCrashReports);
    }
    Configuration deep;
    applyTimingPreset(TimingPreset::deepFocus, deep);
    EXPECT_EQ(deep.workDurationSeconds, 2700);
    EXPECT_EQ(deep.longBreakDurationSeconds, 180);
}

TEST(TimingPreset, AnyChangedValueMakesItCustom)
{
    Configuration c;
    applyTimingPreset(TimingPreset::deepFocus, c);
    c.longBreakEnabled = false;
    EXPECT_FALSE(c.activePreset().has_value());

    Configuration d;
    d.workDurationSeconds = 2100.5;
    EXPECT_FALSE(d.activePreset().has_value());
    d.workDurationSeconds = 2100;
    EXPECT_EQ(d.activePreset(), TimingPreset::balanced);

    Configuration e;
    applyTimingPreset(TimingPreset::frequentBreaks, e);
    e.longBreakIntervalBreaks = 2;
    EXPECT_FALSE(e.activePreset().has_value());
}

TEST(TimingPreset, RawValues)
{
    EXPECT_EQ(timingPresetFromRawValue(QStringLiteral("frequentBreaks")),
              TimingPreset::frequentBreaks);
    EXPECT_FALSE(timingPresetFromRawValue(QStringLiteral("DeepFocus")).has_value());
    EXPECT_FALSE(timingPresetFromRawValue(QString()).has_value());
    EXPECT_EQ(allTimingPresets().front(), TimingPreset::balanced);
}
