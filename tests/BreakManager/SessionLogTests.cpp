#include "BreakBlocker/BreakBlockerManager.h"
#include "EngineHarness.h"
#include "FakeRunningApplications.h"
#include "FakeWindowList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

TEST(SessionLogger, UnwritableLogLosesTheLineQuietly)
{
    FakeClock clock;
    QTemporaryDir dir;
    const QString blocker = dir.path() + QStringLiteral("/file");
    QFile(blocker).open(QIODevice::WriteOnly);
    SessionLogger logger(clock, blocker + QStringLiteral("/session.log")); // parent is a file
    logger.log(QStringLiteral("lost"));
    EXPECT_FALSE(QFileInfo::exists(blocker + QStringLiteral("/session.log")));
}

TEST(SessionLogger, DefaultsToTheDataFolder)
{
    EXPECT_TRUE(
        SessionLogger::defaultLogFilePath().endsWith(QStringLiteral("/Ostavel/session.log")));
    EXPECT_TRUE(
        SessionLogger::defaultLogFilePath().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
}
