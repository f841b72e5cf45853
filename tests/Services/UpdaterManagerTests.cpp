#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "FakeServiceTimer.h"
#include "LogCapture.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Services/Update/NetworkAppcastFetcher.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "UserDefaultsReset.h"

#include <QNetworkProxy>
#include <QTest>
#include <gtest/gtest.h>

using Outcome = UpdateCheckResult::Outcome;

namespace {
QByteArray appcastWith(const QByteArray& version,
                       const QByteArray& enclosure = "https://example.org/ostavel.tar.gz")
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<item><title>Ostavel " +
           version + "</title><sparkle:version>" + version +
           "</sparkle:version><description>&lt;p&gt;Calmer breaks&lt;/p&gt;</description>"
           "<enclosure url=\"" +
           enclosure + "\" length=\"42\"/></item></channel></rss>";
}

class UpdaterManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetUserDefaults();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        ASSERT_TRUE(server.listen());
    }

    void create(const QString& version = QStringLiteral("1.4.2"),
                std::optional<QString> host = std::nullopt)
    {
        auto scheduleTimer = std::make_unique<FakeServiceTimer>();
        auto deadlineTimer = std::make_unique<FakeServiceTimer>();
        schedule = scheduleTimer.get();
        deadline = deadlineTimer.get();
        SparkleUpdaterManager::Environment environment{
            version, host.value_or(server.authority()),
            std::make_unique<NetworkAppcastFetcher>(std::make_unique<LoopbackHttpsClient>(),
                                                    std::move(deadlineTimer)),
            std::move(scheduleTimer)};
        manager = std::make_unique<SparkleUpdaterManager>(std::move(environment));
        QObject::connect(manager.get(), &SparkleUpdaterManager::checkStarted,
                         [this] { ++started; });
        QObject::connect(manager.get(), &SparkleUpdaterManager::checkFinished,
                         [this](const UpdateCheckResult& result) { results.append(result); });
    }

    // Runs the scheduled (background) check and waits until it has ended.
    void runBackgroundCheck()
    {
        ASSERT_TRUE(schedule->fire());
        EXPECT_FALSE(manager->canCheckForUpdates());
        ASSERT_TRUE(QTest::qWaitFor([&] { return manager->canCheckForUpdates(); }, 5000));
    }

    UpdateCheckResult runManualCheck()
    {
        const qsizetype before = results.size();
        manager->checkForUpdates();
        EXPECT_TRUE(QTest::qWaitFor([&] { return results.size() > before; }, 5000));
        return results.value(results.size() - 1);
    }

    LoopbackHttpServer server;
    FakeServiceTimer* schedule = nullptr;
    FakeServiceTimer* deadline = nullptr;
    std::unique_ptr<SparkleUpdaterManager> manager;
    int started = 0;
    QList<UpdateCheckResult> results;
};
} // namespace

TEST(UpdateChannel, RawValuesAndFeeds)
{
    EXPECT_EQ(updateChannelRawValue(UpdateChannel::stable), "stable");
    EXPECT_EQ(updateChannelRawValue(UpdateChannel::beta), "beta");
    EXPECT_EQ(updateChannelFromRawValue("beta"), UpdateChannel::beta);
    EXPECT_EQ(updateChannelFromRawValue("stable"), UpdateChannel::stable);
    EXPECT_FALSE(updateChannelFromRawValue("Beta").has_value());
    EXPECT_FALSE(updateChannelFromRawValue("").has_value());
    EXPECT_EQ(allUpdateChannels().front(), UpdateChannel::stable);
    EXPECT_EQ(updateChannelFeedURL(UpdateChannel::beta, "updates.example.org"),
              QUrl("https://updates.example.org/channels/beta/appcast.xml"));
    EXPECT_EQ(updateChannelFeedURL(UpdateChannel::stable, "updates.example.org:8443").toString(),
              "https://updates.example.org:8443/channels/stable/appcast.xml");
    EXPECT_FALSE(updateChannelFeedURL(UpdateChannel::stable, "").isValid());
    EXPECT_FALSE(updateChannelFeedURL(UpdateChannel::stable, "bad host/x").isValid());
    EXPECT_FALSE(updateChannelFeedURL(UpdateChannel::stable, "user@host").isValid());
}

TEST_F(UpdaterManagerTest, RestoresOnlyExactlyBetaAndWritesNothingBack)
{
    const std::pair<std::optional<QString>, UpdateChannel> table[] = {
        {QStringLiteral("beta"), UpdateChannel::beta},
        {QStringLiteral("Beta"), UpdateChannel::stable},
        {QStringLiteral("stable"), UpdateChannel::stable},
        {std::nullopt, UpdateChannel::stable}};
    for (const auto& [stored, expected] : table) {
        resetUserDefaults();
        if (stored)
            UserDefaults::setValue(StoreKeys::updateChannel, *stored);
        create();
        EXPECT_EQ(manager->currentChannel(), expected) << stored.value_or("none").toStdString();
        EXPECT_EQ(UserDefaults::contains(StoreKeys::updateChannel), stored.has_value());
        if (stored) {
            EXPECT_EQ(UserDefaults::value(StoreKeys::updateChannel).toString(), *stored);
        }
    }
}

TEST_F(UpdaterManagerTest, ChannelChangePersistsLogsAndChecksSoonAfter)
{
    LogCapture log("com.ostavel.app.SparkleUpdater");
    create();
    EXPECT_EQ(log.lines(), QStringList{"Sparkle updater started on stable channel"});
    EXPECT_EQ(schedule->delay(), SparkleUpdaterManager::firstCheckDelay);
    const int startsBefore = schedule->startCount();

    manager->setCurrentChannel(UpdateChannel::stable);
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::updateChannel));
    EXPECT_EQ(schedule->startCount(), startsBefore);
    EXPECT_EQ(log.lines().size(), 1);

    manager->setCurrentChannel(UpdateChannel::beta);
    EXPECT_EQ(UserDefaults::value(StoreKeys::updateChannel).toString(), "beta");
    EXPECT_EQ(log.lines().last(), "Update channel changed to beta");
    EXPECT_EQ(schedule->delay(), SparkleUpdaterManager::channelChangeDelay);
    EXPECT_TRUE(manager->feedURLString().endsWith("/channels/beta/appcast.xml"));

    server.respondWith({200, {}, appcastWith("1.4.2")});
    runBackgroundCheck();
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().path, "/channels/beta/appcast.xml");
}

TEST_F(UpdaterManagerTest, DevBuildNeverChecks)
{
    LogCapture log("com.ostavel.app.SparkleUpdater");
    create(QStringLiteral("dev"));
    EXPECT_EQ(log.lines(), QStringList{"Dev build — Sparkle updater disabled"});
    EXPECT_FALSE(schedule->isActive());
    EXPECT_FALSE(manager->canCheckForUpdates());
    EXPECT_FALSE(manager->isRunning());
    manager->checkForUpdates();
    manager->setCurrentChannel(UpdateChannel::beta);
    EXPECT_EQ(UserDefaults::value(StoreKeys::updateChannel).toString(), "beta");
    EXPECT_EQ(log.lines().last(), "Update channel changed to beta");
    EXPECT_FALSE(schedule->isActive());
    QTest::qWait(20);
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(results.isEmpty());
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(UpdaterManagerTest, ChecksFiveSecondsAfterStartThenEveryThreeHours)
{
    server.respondWith({200, {}, appcastWith("1.4.2")});
    create();
    EXPECT_TRUE(manager->canCheckForUpdates());
    EXPECT_EQ(schedule->delay(), std::chrono::milliseconds(5000));
    runBackgroundCheck();
    EXPECT_EQ(schedule->delay(), std::chrono::milliseconds(10800 * 1000));
    runBackgroundCheck();
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_EQ(schedule->delay(), std::chrono::milliseconds(10800 * 1000));
    // Up to date in the background: nothing to show.
    EXPECT_TRUE(results.isEmpty());
    EXPECT_EQ(started, 0);
}

TEST_F(UpdaterManagerTest, NewerEqualAndOlderVersions)
{
    create();
    server.respondWith({200, {}, appcastWith("1.10")});
    runBackgroundCheck();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.last().outcome, Outcome::updateAvailable);
    EXPECT_FALSE(results.last().userInitiated);
    EXPECT_EQ(results.last().offer.version, "1.10");
    EXPECT_EQ(results.last().offer.notes, "<p>Calmer breaks</p>");
    EXPECT_EQ(results.last().offer.downloadPage, QUrl("https://example.org/ostavel.tar.gz"));

    for (const QByteArray& version :
         {QByteArray("1.4.2"), QByteArray("1.4.1"), QByteArray("1.4.2b3")}) {
        server.respondWith({200, {}, appcastWith(version)});
        const qsizetype before = results.size();
        runBackgroundCheck();
        EXPECT_EQ(results.size(), before) << version.constData();
        const UpdateCheckResult manual = runManualCheck();
        EXPECT_EQ(manual.outcome, Outcome::upToDate) << version.constData();
        EXPECT_TRUE(manual.userInitiated);
        EXPECT_EQ(manual.currentVersion, "1.4.2");
    }
    EXPECT_EQ(started, 3);
}

TEST_F(UpdaterManagerTest, ABetaItemInTheFeedIsOfferedOnlyOnTheBetaChannel)
{
    create();
    QByteArray feed = appcastWith("1.5");
    feed.replace("</channel>", "<item><sparkle:version>1.6b1</sparkle:version>"
                               "<sparkle:channel>beta</sparkle:channel><enclosure "
                               "url=\"https://example.org/beta.tar.gz\"/></item></channel>");
    server.respondWith({200, {}, feed});
    EXPECT_EQ(runManualCheck().offer.version, "1.5");
    manager->setCurrentChannel(UpdateChannel::beta);
    EXPECT_EQ(runManualCheck().offer.version, "1.6b1");
}

TEST_F(UpdaterManagerTest, SkippedVersionStaysQuietOnlyInTheBackground)
{
    create();
    manager->skipVersion(QStringLiteral("1.5"));
    EXPECT_EQ(UserDefaults::value("com.ostavel.skippedVersion").toString(), "1.5");
    server.respondWith({200, {}, appcastWith("1.5")});
    runBackgroundCheck();
    EXPECT_TRUE(results.isEmpty());
    EXPECT_EQ(runManualCheck().outcome, Outcome::updateAvailable);

    server.respondWith({200, {}, appcastWith("1.6")});
    results.clear();
    runBackgroundCheck();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.first().offer.version, "1.6");
}

TEST_F(UpdaterManagerTest, BrokenFeedsAreErrorsNeverUpToDate)
{
    create();
    const QByteArray good = appcastWith("1.5");
    const QList<std::pair<LoopbackHttpServer::Response, QString>> cases = {
        {{200, {}, "<rss><channel><item>"}, "not a valid appcast"},
        {{200, {}, good.left(good.size() - 30)}, "not a valid appcast"},
        {{200, {}, good + QByteArray(2 * 1024 * 1024, ' ')}, "larger than"},
        {{500, {}, "oops"}, "HTTP status 500"},
        {{200, {}, appcastWith("1.5", "http://example.org/ostavel.tar.gz")}, "not secure (HTTPS)"},
    };
    for (const auto& [response, expected] : cases) {
        server.respondWith(response);
        runBackgroundCheck();
        EXPECT_TRUE(results.isEmpty()) << expected.toStdString();
        const UpdateCheckResult manual = runManualCheck();
        EXPECT_EQ(manual.outcome, Outcome::failed) << expected.toStdString();
        EXPECT_TRUE(manual.errorMessage.contains(expected)) << manual.errorMessage.toStdString();
        results.clear();
    }
}

TEST_F(UpdaterManagerTest, ASlowFeedFailsTheManualCheckWhenTheDeadlinePasses)
{
    create();
    server.respondWith(
        {200, {}, appcastWith("1.5"), LoopbackHttpServer::Response::Mode::partialThenHang});
    manager->checkForUpdates();
    EXPECT_EQ(started, 1);
    EXPECT_FALSE(manager->canCheckForUpdates());
    ASSERT_TRUE(server.waitForRequests(1));
    manager->checkForUpdates(); // ignored while one runs
    ASSERT_TRUE(deadline->fire());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.isEmpty(); }, 5000));
    EXPECT_EQ(results.first().outcome, Outcome::failed);
    EXPECT_TRUE(results.first().errorMessage.contains("did not answer"));
    EXPECT_TRUE(manager->canCheckForUpdates());
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(started, 1);
}

TEST_F(UpdaterManagerTest, WithoutAnUpdateHostOnlyTheManualCheckSaysSo)
{
    create(QStringLiteral("1.4.2"), QString());
    EXPECT_FALSE(manager->feedURL().isValid());
    ASSERT_TRUE(schedule->fire());
    EXPECT_TRUE(results.isEmpty());
    manager->checkForUpdates();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(results.first().outcome, Outcome::failed);
    EXPECT_EQ(results.first().errorMessage, "No update feed is configured for this build.");
    EXPECT_TRUE(manager->canCheckForUpdates());
    EXPECT_TRUE(server.requests().isEmpty());
}
