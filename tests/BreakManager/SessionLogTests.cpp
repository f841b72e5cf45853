#include "EngineHarness.h"

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

TEST(SessionLogger, UnwritableLogLosesTheLine)
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
