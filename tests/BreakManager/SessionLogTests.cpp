#include "BreakBlocker/BreakBlockerManager.h"
#include "EngineHarness.h"
#include "FakeRunningApplications.h"
#include "FakeWindowList.h"
#include "LogCapture.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>

using SessionLogTest = EngineTest;

TEST_F(SessionLogTest, WholeCycleWritesOneLinePerNameChange)
{
    type();
    tick(10);
    EXPECT_EQ(sessionLog(), QStringList({"Idle → Working"}));
    workUntil(2098);
    walkAway();
    tickUntil(BreakState::onBreak);
    tickUntil(BreakState::idle);
    EXPECT_EQ(sessionLog(), QStringList({"Idle → Working", "Working → Pre-Alert",
                                         "Pre-Alert → On Break", "On Break → Idle"}));
}

TEST_F(SessionLogTest, LinesCarryTheLocalTimeAndAreAppended)
{
    clock.set(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)));
    {
        QFile file(logPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[2026-12-07 10:00:00] from an earlier run\n");
    }
    type();
    tick();
    walkAway(30);
    tick();
    QFile file(logPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("[2026-12-07 10:00:00] from an earlier run\n"
                             "[2026-12-08 14:05:10] Idle → Working\n"
                             "[2026-12-08 14:05:11] Working → Idle\n"));
}

TEST_F(SessionLogTest, DeletedLogIsRecreatedWithTheNextLine)
{
    type();
    tick();
    ASSERT_TRUE(QFile::remove(logPath()));
    walkAway(30);
    tick();
    EXPECT_EQ(sessionLog(), QStringList({"Working → Idle"}));
}

TEST_F(SessionLogTest, LongBreakAndBlockedNames)
{
    configure([](Configuration& c) { c.longBreakIntervalBreaks = 0; });
    blockers.block({});
    type();
    workUntil(2040);
    blockers.clear();
    workUntil(2098);
    walkAway();
    tickUntil(BreakState::onBreak);
    // No names from the blocker manager: no suffix.
    EXPECT_EQ(sessionLog(), QStringList({"Idle → Working", "Working → Break Blocked",
                                         "Break Blocked → Pre-Alert", "Pre-Alert → Long Break"}));
}

// Window classes, desktop entry names, unit and process names are chosen by other programs; they
// reach the log through the blocker checks and never start a line of their own.
TEST_F(SessionLogTest, BlockerNamesWithControlCharactersStayOnTheirLine)
{
    const QRect screen(0, 0, 1280, 800);
    auto windows = std::make_shared<FakeWindowList>();
    windows->setWindows({{7, "Decoy\n[2099-01-01 00:00:00] Injected → line)", screen}});
    auto running = std::make_shared<FakeRunningApplications>();
    running->setApplications({{"listed", QStringLiteral("A\r\tB") + QChar(0x0b) + "C" +
                                             QChar(0x1b) + "[2J" + QChar(0x7f) + "D" + QChar(0x85) +
                                             "E" + QChar(0x2028) + "F" + QChar(0x2029) + "Gé"}});
    BlockerSnapshot snapshot;
    snapshot.screenFrames = {screen};
    snapshot.fullscreenEnabled = true;
    snapshot.appsEnabled = true;
    snapshot.blockerBundleIDs = {"listed"};
    const BlockerProbes probes{nullptr, windows, nullptr, nullptr, running};
    blockers.block(BreakBlockerManager::computeBlockerState(snapshot, probes).names);

    type();
    workUntil(2041);
    QFile file(logPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 2);
    EXPECT_EQ(sessionLog(),
              QStringList({"Idle → Working",
                           "Working → Break Blocked (Decoy [2099-01-01 00:00:00] Injected "
                           "→ line), A  B C [2J D E F Gé)"}));
}

TEST(SessionLogger, UnwritableLogLosesTheLineWithOneWarningPerOutage)
{
    LogCapture log("com.ostavel.app.SessionLogger");
    FakeClock clock;
    QTemporaryDir dir;
    const QString blocker = dir.path() + QStringLiteral("/file");
    QFile(blocker).open(QIODevice::WriteOnly);
    SessionLogger logger(clock, blocker + QStringLiteral("/session.log")); // parent is a file
    logger.log(QStringLiteral("lost"));
    logger.log(QStringLiteral("lost too"));
    EXPECT_FALSE(QFileInfo::exists(blocker + QStringLiteral("/session.log")));
    EXPECT_EQ(log.lines(), QStringList{"Cannot write the session log " + blocker +
                                       "/session.log (Not a directory); lines are lost until it "
                                       "can"});
    // Writable again, then lost again: a second outage, a second warning.
    ASSERT_TRUE(QFile::remove(blocker));
    logger.log(QStringLiteral("kept"));
    ASSERT_TRUE(QFile::remove(blocker + QStringLiteral("/session.log")));
    ASSERT_TRUE(QDir().mkpath(blocker + QStringLiteral("/session.log")));
    logger.log(QStringLiteral("lost again"));
    EXPECT_EQ(log.lines().size(), 3) << qPrintable(log.lines().join(u'\n'));
}

TEST(SessionLogger, LogIsPrivateAlsoWhenAnEarlierRunLeftItReadable)
{
    const mode_t umask = ::umask(022);
    FakeClock clock;
    QTemporaryDir dir;
    auto mode = [](const QString& path) {
        struct stat info;
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777
                                                                       : mode_t(-1);
    };
    const QString fresh = dir.path() + QStringLiteral("/fresh/session.log");
    SessionLogger(clock, fresh).log(QStringLiteral("Idle → Working"));
    EXPECT_EQ(mode(fresh), mode_t(0600));

    const QString earlier = dir.path() + QStringLiteral("/earlier/session.log");
    writeTestFile(earlier, "[2026-12-07 10:00:00] from an earlier run\n");
    ASSERT_EQ(::chmod(QFile::encodeName(earlier).constData(), 0644), 0);
    SessionLogger atStart(clock, earlier);
    EXPECT_EQ(mode(earlier), mode_t(0600)) << "fixed at start, before any line";
    QFile file(earlier);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[2026-12-07 10:00:00] from an earlier run\n"));
    ::umask(umask);
}

TEST(SessionLogger, DefaultsToTheDataFolder)
{
    EXPECT_TRUE(
        SessionLogger::defaultLogFilePath().endsWith(QStringLiteral("/Ostavel/session.log")));
    EXPECT_TRUE(
        SessionLogger::defaultLogFilePath().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
}
