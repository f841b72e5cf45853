#include "App/CrashReportingConsent.h"
#include "AppFakes.h"
#include "Configuration/ConfigurationManager.h"
#include "Platform/ServiceTimer.h"
#include "Services/Update/AppcastFetcher.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "UserDefaultsReset.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {
// Crash reporting on a fake, the stored consent and a "dev" build's updater, whose channel works.
class CrashReportingConsentTest : public ::testing::Test {
protected:
    void configure(const std::function<void(Configuration&)>& edit)
    {
        Configuration c = config.config();
        edit(c);
        config.setConfig(c);
    }
    void setConsent(bool on)
    {
        configure([on](Configuration& c) { c.sendAnonymousCrashReports = on; });
    }
    // Runs what was queued for the next pass of the event loop.
    static void settle() { QCoreApplication::processEvents(); }

    // The store is read on construction: cleared first.
    const bool cleared = (resetUserDefaults(), true);
    QStringList story;
    FakeCrashReporting reporting{story};
    ConfigurationManager config;
    SparkleUpdaterManager updater{{QStringLiteral("dev"), {}, nullptr, nullptr}};
    CrashReportingConsent consent{reporting, config, &updater};
};
} // namespace

TEST_F(CrashReportingConsentTest, ConsentOffOnAndOnAgain)
{
    consent.applyAtLaunch();
    EXPECT_EQ(story, QStringList({"start", "tag stable"}));
    consent.follow();
    settle();
    // The channel subscription's first value re-tags; the consent subscription adds nothing.
    EXPECT_EQ(story, QStringList({"start", "tag stable", "tag stable"}));
    story.clear();

    setConsent(false);
    settle();
    EXPECT_EQ(story, QStringList({"close"}));

    setConsent(false);
    configure([](Configuration& c) { c.workDurationSeconds = 600; });
    settle();
    EXPECT_EQ(story, QStringList({"close"})) << "repeated values do nothing";

    updater.setCurrentChannel(UpdateChannel::beta);
    settle();
    EXPECT_EQ(story, QStringList({"close"})) << "no re-tag while reporting is off";

    setConsent(true);
    settle();
    EXPECT_EQ(story, QStringList({"close", "start", "tag beta"}));

    updater.setCurrentChannel(UpdateChannel::stable);
    EXPECT_EQ(story.size(), 3) << "changes come on a later pass";
    settle();
    EXPECT_EQ(story, QStringList({"close", "start", "tag beta", "tag stable"}));
}

TEST_F(CrashReportingConsentTest, ConsentOffAtLaunchStartsNothing)
{
    setConsent(false);
    consent.applyAtLaunch();
    consent.follow();
    updater.setCurrentChannel(UpdateChannel::beta);
    settle();
    EXPECT_EQ(story, QStringList({"discard"})) << "no start, no tag; old reports dropped";
}
