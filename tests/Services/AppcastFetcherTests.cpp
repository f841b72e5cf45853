#include "FakeServiceTimer.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Services/Update/NetworkAppcastFetcher.h"

#include <QNetworkProxy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QByteArray goodFeed =
    "<?xml version=\"1.0\"?><rss version=\"2.0\" "
    "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
    "<item><sparkle:version>1.5</sparkle:version>"
    "<enclosure url=\"https://example.org/o.tar.gz\" length=\"10\"/></item></channel></rss>";

class AppcastFetcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        ASSERT_TRUE(server.listen());
        auto timer = std::make_unique<FakeServiceTimer>();
        deadline = timer.get();
        fetcher = std::make_unique<NetworkAppcastFetcher>(std::make_unique<LoopbackHttpsClient>(),
                                                          std::move(timer));
    }

    QUrl feedUrl() const
    {
        return QUrl(
            QStringLiteral("https://%1/channels/stable/appcast.xml").arg(server.authority()));
    }

    AppcastFetchResult fetch(const QUrl& url)
    {
        std::optional<AppcastFetchResult> result;
        fetcher->fetch(url, [&](const AppcastFetchResult& r) { result = r; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
        return result.value_or(AppcastFetchResult{std::nullopt, QStringLiteral("no answer")});
    }

    LoopbackHttpServer server;
    FakeServiceTimer* deadline = nullptr;
    std::unique_ptr<NetworkAppcastFetcher> fetcher;
};
} // namespace

TEST_F(AppcastFetcherTest, FetchesAndParsesTheFeed)
{
    server.respondWith({200, {}, goodFeed});
    const AppcastFetchResult result = fetch(feedUrl());
    ASSERT_TRUE(result.appcast.has_value()) << result.error.toStdString();
    EXPECT_EQ(result.appcast->items.value(0).version, "1.5");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().method, "GET");
    EXPECT_EQ(server.requests().first().path, "/channels/stable/appcast.xml");
    EXPECT_EQ(deadline->delay(), NetworkAppcastFetcher::defaultTimeout);
    EXPECT_FALSE(deadline->isActive());
}

TEST_F(AppcastFetcherTest, RefusesADocumentOverTheCapThatDidNotAnnounceItsLength)
{
    LoopbackHttpServer::Response unannounced{200, {}, goodFeed + QByteArray(3 * 1024 * 1024, ' ')};
    unannounced.withContentLength = false;
    server.respondWith(unannounced);
    const AppcastFetchResult result = fetch(feedUrl());
    EXPECT_FALSE(result.appcast.has_value());
    EXPECT_TRUE(result.error.contains("larger than the 2048 KiB")) << result.error.toStdString();
}

TEST_F(AppcastFetcherTest, RefusesPlainHttpAndReportsAnUnreachableServer)
{
    QUrl plain = feedUrl();
    plain.setScheme(QStringLiteral("http"));
    AppcastFetchResult result = fetch(plain);
    EXPECT_FALSE(result.appcast.has_value());
    EXPECT_TRUE(result.error.contains("not a secure (HTTPS) address"))
        << result.error.toStdString();
    EXPECT_TRUE(server.requests().isEmpty());

    const QUrl url = feedUrl();
    server.close();
    result = fetch(url);
    EXPECT_FALSE(result.appcast.has_value());
    EXPECT_TRUE(result.error.startsWith("The update feed could not be reached"))
        << result.error.toStdString();
}

TEST_F(AppcastFetcherTest, CancelledFetchesNeverCallBack)
{
    server.respondWith({200, {}, goodFeed, LoopbackHttpServer::Response::Mode::hang});
    bool called = false;
    fetcher->fetch(feedUrl(), [&](const AppcastFetchResult&) { called = true; });
    ASSERT_TRUE(server.waitForRequests(1));
    fetcher->cancel();
    EXPECT_FALSE(deadline->isActive());
    QTest::qWait(50);
    EXPECT_FALSE(called);
}
