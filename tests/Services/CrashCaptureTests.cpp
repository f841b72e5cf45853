#include "FakeClock.h"
#include "FakeServiceTimer.h"
#include "Logging/SentryManager.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Platform/Services/CrashReport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {
class CrashCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    QDir crashDirectory() const { return QDir(storage.path() + QStringLiteral("/crash-reports")); }
    QStringList reports() const
    {
        return crashDirectory().entryList({QStringLiteral("*.crash*")}, QDir::Files);
    }

    void crashHelper(const char* mode)
    {
        QProcess helper;
        helper.start(QStringLiteral(OSTAVEL_CRASH_HELPER),
                     {storage.path(), QString::fromLatin1(mode)});
        ASSERT_TRUE(helper.waitForFinished(20000));
        ASSERT_EQ(helper.exitStatus(), QProcess::CrashExit) << helper.exitCode();
    }

    std::unique_ptr<SentryManager> makeManager(quint16 port)
    {
        auto timer = std::make_unique<FakeServiceTimer>();
        auto client = std::make_unique<CrashReportClient>(
            clock, std::make_unique<LoopbackHttpsClient>(), std::move(timer), storage.path());
        return std::make_unique<SentryManager>(
            std::move(client),
            QStringLiteral("https://0123456789abcdef0123456789abcdef@127.0.0.1:%1/42").arg(port),
            QStringLiteral("1.5"));
    }

    FakeClock clock;
    QTemporaryDir storage;
    LoopbackHttpServer server;
};

QJsonObject eventOf(const QByteArray& body)
{
    const QList<QByteArray> lines = body.split('\n');
    EXPECT_GE(lines.size(), 3);
    const QJsonObject itemHeader = QJsonDocument::fromJson(lines.value(1)).object();
    EXPECT_EQ(itemHeader["type"].toString(), "event");
    EXPECT_EQ(itemHeader["length"].toInteger(), lines.value(2).size());
    return QJsonDocument::fromJson(lines.value(2)).object();
}
} // namespace

TEST_F(CrashCaptureTest, ASegfaultLeavesAReportThatTheNextStartSendsAsFatal)
{
    crashHelper("segv");
    ASSERT_EQ(reports().size(), 1) << reports().join(' ').toStdString();
    ASSERT_TRUE(reports().first().endsWith(".crash"));
    QFile file(crashDirectory().filePath(reports().first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto report = CrashReport::parse(file.readAll());
    file.close();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->signal, SIGSEGV);
    EXPECT_EQ(report->address, 0u);
    EXPECT_EQ(report->release, "1.4.2");
    EXPECT_EQ(report->environment, "production");
    EXPECT_EQ(report->tags.value("update-channel"), "beta");
    EXPECT_GT(report->frames.size(), 2);
    const bool helperMapped = std::any_of(
        report->images.cbegin(), report->images.cend(),
        [](const CrashReport::Image& image) { return image.path.endsWith("/crash_helper"); });
    EXPECT_TRUE(helperMapped);

    ASSERT_TRUE(server.listen());
    auto manager = makeManager(server.port());
    ASSERT_TRUE(manager->start());
    EXPECT_TRUE(reports().isEmpty());
    ASSERT_TRUE(server.waitForRequests(1));
    const QJsonObject event = eventOf(server.requests().first().body);
    EXPECT_EQ(event["level"].toString(), "fatal");
    // The crashed build's release, not the one that sends it.
    EXPECT_EQ(event["release"].toString(), "1.4.2");
    EXPECT_EQ(event["tags"].toObject()["update-channel"].toString(), "beta");
    const QJsonObject exception = event["exception"].toObject()["values"].toArray()[0].toObject();
    EXPECT_EQ(exception["type"].toString(), "SIGSEGV");
    EXPECT_EQ(exception["mechanism"].toObject()["type"].toString(), "signalhandler");
    EXPECT_FALSE(exception["stacktrace"].toObject()["frames"].toArray().isEmpty());

    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(CrashCaptureTest, WithConsentOffTheReportIsDeletedUnsent)
{
    crashHelper("segv");
    ASSERT_EQ(reports().size(), 1);
    ASSERT_TRUE(server.listen());
    auto manager = makeManager(server.port());
    manager->discardPendingReports();
    EXPECT_TRUE(reports().isEmpty());
    EXPECT_FALSE(manager->isEnabled());
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(CrashCaptureTest, AnUncaughtExceptionWritesOneTerminateReport)
{
    crashHelper("terminate");
    ASSERT_EQ(reports().size(), 1) << reports().join(' ').toStdString();
    QFile file(crashDirectory().filePath(reports().first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto report = CrashReport::parse(file.readAll());
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->reason, "terminate");
    EXPECT_EQ(report->exception, "std::runtime_error");
    EXPECT_EQ(report->signal, SIGABRT);
    const QJsonObject exception =
        report->toEvent("id")["exception"].toObject()["values"].toArray()[0].toObject();
    EXPECT_EQ(exception["type"].toString(), "std::terminate");
    EXPECT_EQ(exception["value"].toString(), "uncaught exception of type std::runtime_error");
}

TEST_F(CrashCaptureTest, AnAbortIsReported)
{
    crashHelper("abort");
    ASSERT_EQ(reports().size(), 1);
    QFile file(crashDirectory().filePath(reports().first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto report = CrashReport::parse(file.readAll());
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->signal, SIGABRT);
    EXPECT_TRUE(report->reason.isEmpty());
}
