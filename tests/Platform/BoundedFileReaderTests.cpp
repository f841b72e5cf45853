#include "FakeClock.h"
#include "LogCapture.h"
#include "Logging/SessionLogger.h"
#include "Platform/BoundedFileReader.h"
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/ProcRunningApplications.h"
#include "Services/CrashReporting/EnvelopeQueue.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;

namespace {
// What another program of the user may leave where we read or write a file of ours.
enum class Hostile { Fifo, LinkToDevZero, LinkToFifo, Folder, Oversized };

const char* describe(Hostile kind)
{
    switch (kind) {
    case Hostile::Fifo:
        return "a FIFO";
    case Hostile::LinkToDevZero:
        return "a link to /dev/zero";
    case Hostile::LinkToFifo:
        return "a link to a FIFO";
    case Hostile::Folder:
        return "a folder";
    case Hostile::Oversized:
        return "an oversized file";
    }
    return "";
}

// Puts `kind` at `path`; an oversized file starts with `text` and runs one byte past `cap`.
void plant(Hostile kind, const QString& path, const QByteArray& text = {}, qsizetype cap = 0)
{
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(path);
    switch (kind) {
    case Hostile::Fifo:
        ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
        break;
    case Hostile::LinkToDevZero:
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
        break;
    case Hostile::LinkToFifo:
        ASSERT_EQ(::mkfifo((name + ".fifo").constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(path + ".fifo", path));
        break;
    case Hostile::Folder:
        ASSERT_TRUE(QDir().mkpath(path));
        break;
    case Hostile::Oversized:
        writeTestFile(path, text + QByteArray(cap + 1 - text.size(), '#'));
        break;
    }
}

// Runs `call` on a thread of its own and answers whether it returned within the deadline. A call
// that hangs is left behind, so that it fails its test instead of stalling the suite.
bool returnsInTime(std::function<void()> call)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([call = std::move(call), done] {
        call();
        done->set_value();
    }).detach();
    return finished.wait_for(5s) == std::future_status::ready;
}
} // namespace

TEST(BoundedFileReader, HostilePathsAreRefusedAtOnceByEveryReader)
{
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Huge\nExec=huge\n";
    for (Hostile kind : {Hostile::Fifo, Hostile::LinkToDevZero, Hostile::LinkToFifo,
                         Hostile::Folder, Hostile::Oversized}) {
        SCOPED_TRACE(describe(kind));
        QTemporaryDir dir;
        const QString root = dir.path();

        // The reader itself.
        plant(kind, root + "/plain", entry, 100);
        std::optional<QByteArray> read;
        ASSERT_TRUE(returnsInTime([&] { read = BoundedFileReader::read(root + "/plain", {100}); }));
        EXPECT_FALSE(read);

        // Running applications: a sandbox's info file, and (but for its length, which is the
        // kernel's) the environment.
        const QString pid = root + "/proc/4242";
        writeTestFile(pid + "/cgroup", "0::/user.slice/user-1000.slice/session-2.scope\n");
        plant(kind, pid + "/root/.flatpak-info", "[Application]\nname=org.example.Huge\n",
              64 * 1024);
        if (kind != Hostile::Oversized)
            plant(kind, pid + "/environ");
        ProcRunningApplications resolver(nullptr, QFile::encodeName(root + "/proc"), ::geteuid());
        std::vector<RunningApplication> running;
        ASSERT_TRUE(returnsInTime([&] { running = resolver.runningApplications(); }));
        EXPECT_TRUE(running.empty());

        // Desktop entries.
        plant(kind, root + "/applications/huge.desktop", entry, 1024 * 1024);
        DesktopEntryCatalogue catalogue({root + "/applications"}, QString());
        QList<DesktopEntry> entries;
        ASSERT_TRUE(returnsInTime([&] { entries = catalogue.entries(); }));
        EXPECT_TRUE(entries.isEmpty());

        // Queued envelopes.
        const QString envelope = "0000000000001000-0000abcd.0.envelope";
        plant(kind, root + "/queue/" + envelope, "{}\n", 1000);
        EnvelopeQueue queue(root + "/queue", 2000, {10, 10000, 1000});
        QByteArray body = "unread";
        ASSERT_TRUE(returnsInTime([&] { body = queue.read(envelope); }));
        EXPECT_TRUE(body.isEmpty());

        // The session log, which only grows: skipped with one line until it is a file again.
        if (kind == Hostile::Oversized)
            continue;
        plant(kind, root + "/Ostavel/session.log");
        LogCapture log("com.ostavel.app.SessionLogger");
        FakeClock clock;
        SessionLogger logger(clock, root + "/Ostavel/session.log");
        ASSERT_TRUE(returnsInTime([&] {
            logger.log("Idle → Working");
            logger.log("Working → Idle");
        }));
        ASSERT_EQ(log.lines().size(), 1) << qPrintable(log.lines().join('\n'));
        EXPECT_TRUE(log.lines()[0].startsWith("Cannot write the session log "))
            << qPrintable(log.lines()[0]);
    }
}

TEST(BoundedFileReader, ReadsRegularFilesAndLinksToThemUpToTheCap)
{
    QTemporaryDir dir;
    writeTestFile(dir.path() + "/file", "0123456789");
    ASSERT_TRUE(QFile::link(dir.path() + "/file", dir.path() + "/link"));
    using R = BoundedFileReader;
    EXPECT_EQ(R::read(dir.path() + "/file", {10}), QByteArray("0123456789"));
    EXPECT_EQ(R::read(dir.path() + "/file", {9}), std::nullopt);
    EXPECT_EQ(R::read(dir.path() + "/file", {4, R::Links::Refuse, R::Overflow::Truncate}),
              QByteArray("0123"));
    EXPECT_EQ(R::read(dir.path() + "/link", {10}), std::nullopt);
    EXPECT_EQ(R::read(dir.path() + "/link", {10, R::Links::Follow}), QByteArray("0123456789"));
}
