#include "FakeClock.h"
#include "FakeServiceTimer.h"
#include "LogCapture.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Services/CrashReporting/CrashReportClient.h"
#include "Services/CrashReporting/Envelope.h"

#include <QJsonDocument>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {
const QString key = QStringLiteral("0123456789abcdef0123456789abcdef");

class CrashReportClientTest : public ::testing::Test {
protected:
    void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    void create(EnvelopeQueue::Limits limits = {})
    {
        auto timer = std::make_unique<FakeServiceTimer>();
        retry = timer.get();
        client = std::make_unique<CrashReportClient>(clock, std::make_unique<LoopbackHttpsClient>(),
                                                     std::move(timer), storage.path(), limits);
        QObject::connect(client.get(), &CrashReportClient::uploadFinished,
                         [this](int status) { statuses.append(status); });
    }

    QString dsn(quint16 port) const
    {
        return QStringLiteral("https://%1@127.0.0.1:%2/42").arg(key).arg(port);
    }

    bool startOn(quint16 port)
    {
        return client->start({dsn(port), QStringLiteral("1.4.2"), QStringLiteral("production")});
    }

    bool waitForUploads(qsizetype count)
    {
        return QTest::qWaitFor([&] { return statuses.size() >= count; }, 5000);
    }

    void feedback(const QString& message) { client->captureFeedback({message, {}, {}}); }

    FakeClock clock{QDateTime(QDate(2026, 3, 2), QTime(8, 0), Qt::UTC)};
    QTemporaryDir storage;
    LoopbackHttpServer server;
    FakeServiceTimer* retry = nullptr;
    std::unique_ptr<CrashReportClient> client;
    QList<int> statuses;
};
} // namespace

TEST_F(CrashReportClientTest, SendsFeedbackAsExactEnvelopeBytesWithTheAuthHeader)
{
    ASSERT_TRUE(server.listen());
    create();
    ASSERT_TRUE(startOn(server.port()));
    client->setTag(QStringLiteral("update-channel"), QStringLiteral("beta"));
    client->captureFeedback({QStringLiteral("  Pause ☕ später\n"), QStringLiteral("Zoë"), {}});
    ASSERT_TRUE(server.waitForRequests(1));
    const LoopbackHttpServer::Request& request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/42/envelope/");
    EXPECT_EQ(request.headers.value("x-sentry-auth"),
              "Sentry sentry_version=7, sentry_client=ostavel/1.4.2, sentry_key=" + key.toUtf8());
    EXPECT_EQ(request.headers.value("content-type"), "application/x-sentry-envelope");

    const QByteArray eventId =
        QJsonDocument::fromJson(request.body.left(request.body.indexOf('\n')))["event_id"]
            .toString()
            .toUtf8();
    ASSERT_EQ(eventId.size(), 32);
    const QByteArray payload =
        "{\"contexts\":{\"feedback\":{\"message\":\"Pause ☕ später\",\"name\":\"Zoë\","
        "\"source\":\"custom\"}},\"environment\":\"production\",\"event_id\":\"" +
        eventId +
        "\",\"level\":\"info\",\"platform\":\"native\",\"release\":\"1.4.2\","
        "\"tags\":{\"update-channel\":\"beta\"},\"timestamp\":\"2026-03-02T08:00:00.000Z\"}";
    // 283 characters, 287 bytes: the item length counts bytes.
    EXPECT_EQ(QString::fromUtf8(payload).size(), 283);
    EXPECT_EQ(payload.size(), 287);
    const QByteArray expected = "{\"dsn\":\"" + dsn(server.port()).toUtf8() + "\",\"event_id\":\"" +
                                eventId + "\"}\n{\"length\":287,\"type\":\"feedback\"}\n" +
                                payload + "\n";
    EXPECT_EQ(request.body, expected) << request.body.toStdString();

    ASSERT_TRUE(waitForUploads(1));
    EXPECT_EQ(statuses.first(), 200);
    EXPECT_TRUE(client->queue().isEmpty());
}

TEST_F(CrashReportClientTest, QueuesWhileTheServerIsDownAndDeliversOnce)
{
    ASSERT_TRUE(server.listen());
    const quint16 port = server.port();
    server.close();

    create();
    ASSERT_TRUE(startOn(port));
    feedback(QStringLiteral("first"));
    ASSERT_TRUE(waitForUploads(1));
    EXPECT_EQ(statuses.last(), 0);
    EXPECT_EQ(client->queue().entries().size(), 1);
    EXPECT_EQ(retry->delay(), 30s);

    // Offline across a restart: the envelope survives on disk, unsent attempts not counted.
    feedback(QStringLiteral("second"));
    client.reset();
    ASSERT_TRUE(server.listen(port));
    create();
    ASSERT_TRUE(startOn(port));
    ASSERT_TRUE(waitForUploads(3));
    EXPECT_EQ(statuses, (QList<int>{0, 200, 200}));
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_TRUE(server.requests().at(0).body.contains("\"message\":\"first\""));
    EXPECT_TRUE(server.requests().at(1).body.contains("\"message\":\"second\""));
    EXPECT_TRUE(client->queue().isEmpty());

    client->processQueue();
    retry->fire();
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(CrashReportClientTest, WaitsOutA429RetryAfter)
{
    ASSERT_TRUE(server.listen());
    int answered = 0;
    server.setResponder([&](const LoopbackHttpServer::Request&) {
        return ++answered == 1 ? LoopbackHttpServer::Response{429, {{"Retry-After", "120"}}, {}}
                               : LoopbackHttpServer::Response{200, {}, "{}"};
    });
    create();
    ASSERT_TRUE(startOn(server.port()));
    feedback(QStringLiteral("rate limited"));
    ASSERT_TRUE(waitForUploads(1));
    EXPECT_EQ(statuses.last(), 429);
    ASSERT_EQ(client->queue().entries().size(), 1);
    EXPECT_EQ(EnvelopeQueue::attempts(client->queue().entries().first()), 0);
    EXPECT_EQ(retry->delay(), 120s);

    clock.advance(60);
    ASSERT_TRUE(retry->fire());
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(retry->delay(), 60s);

    clock.advance(60);
    ASSERT_TRUE(retry->fire());
    ASSERT_TRUE(waitForUploads(2));
    EXPECT_EQ(statuses.last(), 200);
    EXPECT_TRUE(client->queue().isEmpty());
}

TEST_F(CrashReportClientTest, RateLimitHeaderAndDateFormsAreHonoured)
{
    ASSERT_TRUE(server.listen());
    create();
    ASSERT_TRUE(startOn(server.port()));
    server.respondWith({429, {{"X-Sentry-Rate-Limits", "60:error:key, 2700::organization"}}, {}});
    feedback(QStringLiteral("a"));
    ASSERT_TRUE(waitForUploads(1));
    EXPECT_EQ(retry->delay(), 2700s);

    server.respondWith({429, {{"Retry-After", "Mon, 02 Mar 2026 08:50:00 GMT"}}, {}});
    clock.advance(2700);
    ASSERT_TRUE(retry->fire());
    ASSERT_TRUE(waitForUploads(2));
    EXPECT_EQ(retry->delay(), 300s);
}

TEST_F(CrashReportClientTest, ServerErrorsAreRetriedWithBackoffUntilTheCap)
{
    ASSERT_TRUE(server.listen());
    server.respondWith({500, {}, "broken"});
    create();
    ASSERT_TRUE(startOn(server.port()));
    feedback(QStringLiteral("keep me"));
    QList<std::chrono::milliseconds> delays;
    for (int attempt = 1; attempt < CrashReportClient::maxServerAttempts; ++attempt) {
        ASSERT_TRUE(waitForUploads(attempt));
        ASSERT_EQ(client->queue().entries().size(), 1) << attempt;
        EXPECT_EQ(EnvelopeQueue::attempts(client->queue().entries().first()), attempt);
        delays.append(retry->delay());
        clock.advance(std::chrono::duration<double>(retry->delay()).count());
        ASSERT_TRUE(retry->fire());
    }
    ASSERT_TRUE(waitForUploads(CrashReportClient::maxServerAttempts));
    EXPECT_TRUE(client->queue().isEmpty());
    EXPECT_EQ(server.requests().size(), CrashReportClient::maxServerAttempts);
    EXPECT_EQ(delays, (QList<std::chrono::milliseconds>{30s, 60s, 120s, 240s, 480s, 960s, 1920s}));
}

TEST_F(CrashReportClientTest, ServerErrorThenSuccessDeliversAndRefusalsDrop)
{
    ASSERT_TRUE(server.listen());
    QList<int> script{500, 503, 200, 400, 200};
    server.setResponder([&](const LoopbackHttpServer::Request&) {
        return LoopbackHttpServer::Response{script.isEmpty() ? 200 : script.takeFirst(), {}, {}};
    });
    create();
    ASSERT_TRUE(startOn(server.port()));
    feedback(QStringLiteral("one"));
    for (int i = 1; i <= 2; ++i) {
        ASSERT_TRUE(waitForUploads(i));
        clock.advance(3600);
        ASSERT_TRUE(retry->fire());
    }
    ASSERT_TRUE(waitForUploads(3));
    EXPECT_TRUE(client->queue().isEmpty());

    // A 400 is final: that envelope is dropped and the next one goes out at once.
    feedback(QStringLiteral("malformed in the server's eyes"));
    feedback(QStringLiteral("fine"));
    ASSERT_TRUE(waitForUploads(5));
    EXPECT_EQ(statuses, (QList<int>{500, 503, 200, 400, 200}));
    EXPECT_TRUE(client->queue().isEmpty());
}

TEST_F(CrashReportClientTest, AMissingOrUnsafeDsnLeavesReportingOff)
{
    create();
    {
        LogCapture log("com.ostavel.app.CrashReporting");
        EXPECT_FALSE(client->start({QString(), "1.4.2", "production"}));
        EXPECT_EQ(log.lines(), QStringList{"Crash reporting is off: no DSN is configured"});
    }
    {
        LogCapture log("com.ostavel.app.CrashReporting");
        EXPECT_FALSE(client->start({"https://127.0.0.1/42", "1.4.2", "production"}));
        EXPECT_EQ(log.lines(), QStringList{"Crash reporting is off: the DSN is not valid"});
    }
    {
        LogCapture log("com.ostavel.app.CrashReporting");
        EXPECT_FALSE(client->start({"http://" + key + "@127.0.0.1:9/42", "1.4.2", "production"}));
        EXPECT_EQ(log.lines(),
                  QStringList{"Crash reporting is off: the DSN is not an HTTPS address"});
    }
    EXPECT_FALSE(client->isEnabled());
    feedback(QStringLiteral("dropped"));
    EXPECT_TRUE(client->queue().isEmpty());
}

// Stacks, library paths and the user's name, e-mail and message are the user's alone: new
// folders and files are made private, and so at start are those an earlier version left readable.
TEST_F(CrashReportClientTest, ReportFoldersAre0700AndTheirFiles0600)
{
    ASSERT_TRUE(server.listen());
    const quint16 offline = server.port();
    server.close();
    auto mode = [](const QString& path) {
        struct stat info {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    auto setMode = [](const QString& path, mode_t bits) {
        return ::chmod(QFile::encodeName(path).constData(), bits) == 0;
    };
    const QString crashes = storage.path() + QStringLiteral("/crash-reports");
    const QString queue = crashes + QStringLiteral("/queue");
    const QString stray = crashes + QStringLiteral("/notes.txt");
    auto entry = [&] { return queue + QLatin1Char('/') + client->queue().entries().value(0); };

    create();
    ASSERT_TRUE(startOn(offline));
    feedback(QStringLiteral("Ada, ada@example.org: private"));
    ASSERT_EQ(client->queue().entries().size(), 1);
    EXPECT_EQ(mode(crashes), 0700u);
    EXPECT_EQ(mode(queue), 0700u);
    EXPECT_EQ(mode(entry()), 0600u);

    // As an earlier version left them, found by a start and by a launch without consent.
    for (const bool consent : {true, false}) {
        client.reset();
        QFile(stray).open(QIODevice::WriteOnly);
        ASSERT_TRUE(setMode(crashes, 0755) && setMode(queue, 0755) && setMode(stray, 0644));
        create();
        ASSERT_TRUE(setMode(entry(), 0644));
        if (consent)
            ASSERT_TRUE(startOn(offline));
        else
            client->discardPending();
        SCOPED_TRACE(consent ? "start" : "no consent");
        EXPECT_EQ(mode(crashes), 0700u);
        EXPECT_EQ(mode(queue), 0700u);
        EXPECT_EQ(mode(stray), 0600u);
        if (consent) {
            EXPECT_EQ(mode(entry()), 0600u);
        }
    }
}

namespace {
void customHandler(int) {}
void customTerminate()
{
    std::abort();
}
} // namespace

TEST_F(CrashReportClientTest, CloseRestoresThePreviousHandlers)
{
    struct sigaction custom {};
    custom.sa_handler = customHandler;
    struct sigaction saved[2]{};
    sigaction(SIGSEGV, &custom, &saved[0]);
    sigaction(SIGABRT, &custom, &saved[1]);
    const std::terminate_handler savedTerminate = std::set_terminate(customTerminate);

    create();
    ASSERT_TRUE(startOn(9));
    struct sigaction current {};
    sigaction(SIGSEGV, nullptr, &current);
    EXPECT_NE(current.sa_handler, customHandler);
    EXPECT_NE(std::get_terminate(), customTerminate);
    EXPECT_TRUE(QFileInfo(client->currentReportPath()).absolutePath().startsWith(storage.path()));

    client->close();
    EXPECT_FALSE(client->isEnabled());
    sigaction(SIGSEGV, nullptr, &current);
    EXPECT_EQ(current.sa_handler, customHandler);
    sigaction(SIGABRT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, customHandler);
    EXPECT_EQ(std::get_terminate(), customTerminate);

    sigaction(SIGSEGV, &saved[0], nullptr);
    sigaction(SIGABRT, &saved[1], nullptr);
    std::set_terminate(savedTerminate);
}
