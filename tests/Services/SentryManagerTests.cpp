#include "FakeClock.h"
#include "FakeServiceTimer.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Services/CrashReporting/SentryManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
class SentryManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        ASSERT_TRUE(server.listen());
        auto client = std::make_unique<CrashReportClient>(
            clock, std::make_unique<LoopbackHttpsClient>(), std::make_unique<FakeServiceTimer>(),
            storage.path());
        manager = std::make_unique<SentryManager>(
            std::move(client),
            QStringLiteral("https://0123456789abcdef0123456789abcdef@127.0.0.1:%1/42")
                .arg(server.port()),
            QStringLiteral("1.4.2"));
    }

    // The feedback context and tags of the last envelope the server received.
    std::pair<QJsonObject, QJsonObject> sendAndReceive(const QString& message, const QString& name,
                                                       const QString& email)
    {
        const qsizetype before = server.requests().size();
        manager->captureFeedback(message, name, email);
        EXPECT_TRUE(server.waitForRequests(before + 1));
        const QJsonObject event =
            QJsonDocument::fromJson(server.requests().last().body.split('\n').value(2)).object();
        return {event["contexts"].toObject()["feedback"].toObject(), event["tags"].toObject()};
    }

    FakeClock clock;
    QTemporaryDir storage;
    LoopbackHttpServer server;
    std::unique_ptr<SentryManager> manager;
};
} // namespace

TEST(SentryManagerOptions, ReleaseAndEnvironmentFollowTheVersionText)
{
    const struct {
        const char* version;
        const char* environment;
    } table[] = {{"dev", "development"}, {"1.4.2", "production"}, {"Dev", "production"}};
    for (const auto& row : table) {
        const CrashReportOptions options = SentryManager::options("dsn", row.version);
        EXPECT_EQ(options.release, row.version);
        EXPECT_EQ(options.environment, row.environment) << row.version;
        EXPECT_EQ(options.dsn, "dsn");
    }
}

TEST_F(SentryManagerTest, TagsFollowTheChannelAcrossCloseAndRestart)
{
    EXPECT_FALSE(manager->isEnabled());
    ASSERT_TRUE(manager->start());
    EXPECT_TRUE(manager->isEnabled());
    manager->setUpdateChannel(UpdateChannel::stable);
    EXPECT_EQ(sendAndReceive("a", {}, {}).second["update-channel"].toString(), "stable");
    manager->setUpdateChannel(UpdateChannel::beta);
    EXPECT_EQ(sendAndReceive("b", {}, {}).second["update-channel"].toString(), "beta");

    manager->close();
    EXPECT_FALSE(manager->isEnabled());
    manager->captureFeedback("dropped while closed", {}, {});
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 2);

    ASSERT_TRUE(manager->start());
    EXPECT_TRUE(sendAndReceive("untagged", {}, {}).second.isEmpty());
    manager->setUpdateChannel(UpdateChannel::beta);
    EXPECT_EQ(sendAndReceive("c", {}, {}).second["update-channel"].toString(), "beta");
}

TEST_F(SentryManagerTest, FeedbackLeavesOutEmptyFieldsButKeepsBlankOnes)
{
    ASSERT_TRUE(manager->start());
    QJsonObject feedback = sendAndReceive("  Hello\n", {}, {}).first;
    EXPECT_EQ(feedback["message"].toString(), "Hello");
    EXPECT_FALSE(feedback.contains("name"));
    EXPECT_FALSE(feedback.contains("contact_email"));
    EXPECT_EQ(feedback["source"].toString(), "custom");

    feedback = sendAndReceive("Hi", " ", "not an address").first;
    EXPECT_EQ(feedback["name"].toString(), " ");
    EXPECT_EQ(feedback["contact_email"].toString(), "not an address");

    feedback = sendAndReceive(QString(5000, QLatin1Char('x')), {}, {}).first;
    EXPECT_EQ(feedback["message"].toString().size(), 4096);
}

TEST_F(SentryManagerTest, ClosingDeletesWhatIsStillQueued)
{
    server.close();
    ASSERT_TRUE(manager->start());
    manager->captureFeedback("stuck offline", {}, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager->client().queue().isEmpty(); }, 5000));
    manager->close();
    EXPECT_TRUE(manager->client().queue().isEmpty());
}
