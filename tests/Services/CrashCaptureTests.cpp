#include "FakeClock.h"
#include "FakeServiceTimer.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Services/CrashReporting/CrashReport.h"
#include "Services/CrashReporting/SentryManager.h"

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

// The output of a binutils tool, or empty when it cannot run.
QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString buildIdOnDisk(const QString& path)
{
    const QString notes = run(QStringLiteral("readelf"), {QStringLiteral("-n"), path});
    const qsizetype at = notes.indexOf(QLatin1String("Build ID: "));
    return at < 0 ? QString() : notes.mid(at + 10).section(QLatin1Char('\n'), 0, 0).trimmed();
}

const CrashReport::Image* imageAt(const CrashReport& report, quint64 address)
{
    for (const CrashReport::Image& image : report.images) {
        if (address >= image.start && address < image.end)
            return &image;
    }
    return nullptr;
}

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

    // Every image carries the build ID that its file on disk has, so frames can be symbolicated.
    int withBuildId = 0;
    for (const CrashReport::Image& image : report->images) {
        if (image.buildId.isEmpty())
            continue;
        ++withBuildId;
        EXPECT_EQ(image.buildId, buildIdOnDisk(image.path)) << image.path.toStdString();
    }
    const CrashReport::Image* helper = imageAt(*report, report->frames.first());
    ASSERT_NE(helper, nullptr);
    EXPECT_TRUE(helper->path.endsWith("/crash_helper"));
    EXPECT_EQ(helper->buildId, buildIdOnDisk(QStringLiteral(OSTAVEL_CRASH_HELPER)));
    EXPECT_FALSE(helper->buildId.isEmpty());
    EXPECT_GE(withBuildId, 3); // the helper, Qt, the C library at least
    // The stack starts at the faulting instruction, not in the handler.
    const QString function =
        run(QStringLiteral("addr2line"),
            {QStringLiteral("-f"), QStringLiteral("-e"), QStringLiteral(OSTAVEL_CRASH_HELPER),
             QStringLiteral("0x%1").arg(report->frames.first() - helper->start, 0, 16)});
    EXPECT_EQ(function.section(QLatin1Char('\n'), 0, 0), "main");

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
    const QJsonArray images = event["debug_meta"].toObject()["images"].toArray();
    const bool helperIdentified =
        std::any_of(images.begin(), images.end(), [&](const QJsonValue& image) {
            return image["code_id"].toString() == helper->buildId &&
                   image["debug_id"].toString() ==
                       CrashReport::debugIdFromBuildId(helper->buildId) &&
                   image["code_file"].toString().endsWith("/crash_helper");
        });
    EXPECT_TRUE(helperIdentified);

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
    // Raised inside the C library, which is where the stack starts.
    ASSERT_FALSE(report->frames.isEmpty());
    const CrashReport::Image* innermost = imageAt(*report, report->frames.first());
    ASSERT_NE(innermost, nullptr);
    EXPECT_TRUE(innermost->path.contains("/libc.so")) << innermost->path.toStdString();
}
