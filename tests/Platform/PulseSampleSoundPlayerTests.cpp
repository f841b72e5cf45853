#include "LogCapture.h"
#include "Platform/Linux/PulseSampleSoundPlayer.h"
#include "PrivateSoundServer.h"
#include "SinkRecorder.h"
#include "TestFiles.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QStringList soundNames{"break-about-to-begin", "break-started", "break-ends"};

// The application's own category (lcApp in App/AppLog.h), by name: the player is handed it.
Q_LOGGING_CATEGORY(lcApp, "com.ostavel.app.App")

bool waitFor(const PulseSampleSoundPlayer& player,
             const std::function<bool(const PulseSampleSoundPlayer::Counters&)>& condition,
             int timeoutMs = 10000)
{
    return QTest::qWaitFor([&] { return condition(player.counters()); }, timeoutMs);
}
} // namespace

TEST(PulseSampleSoundPlayer, EachSoundIsHeardFromTheCacheAndALostSampleThroughAStream)
{
    PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    PulseSampleSoundPlayer player(QStringLiteral(OSTAVEL_BUILD_SOUNDS_DIR));
    ASSERT_TRUE(waitFor(player, [](auto& c) { return c.uploads == 3; }));
    SinkRecorder recorder;
    ASSERT_TRUE(recorder.start());

    for (const QString& name : soundNames) {
        ASSERT_TRUE(recorder.waitForSilence());
        const qsizetype mark = recorder.take();
        player.play(name);
        EXPECT_TRUE(recorder.heardSince(mark)) << qPrintable(name);
    }
    EXPECT_EQ(player.counters().cachePlays, 3);

    // Another client empties the cache: the sound still plays, and the sample goes back.
    ASSERT_TRUE(PrivateSoundServer::pactl({"remove-sample", "ostavel-break-ends"}));
    ASSERT_TRUE(recorder.waitForSilence());
    const qsizetype mark = recorder.take();
    player.play(QStringLiteral("break-ends"));
    EXPECT_TRUE(recorder.heardSince(mark));
    EXPECT_TRUE(waitFor(player, [](auto& c) {
        return c.streamPlays == 1 && c.uploads == 4 && c.activeStreams == 0;
    }));
    EXPECT_EQ(player.counters().cachePlays, 3);
    EXPECT_EQ(player.counters().skipped, 0);
}

TEST(PulseSampleSoundPlayer, MissingOrUnreadableFileLogsOnceAndPlaysNothing)
{
    PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    QTemporaryDir sounds;
    writeTestFile(sounds.path() + "/break-ends.mp3", QByteArray(4000, 'x'));
    LogCapture log;
    PulseSampleSoundPlayer player(sounds.path(), &lcApp);
    ASSERT_TRUE(waitFor(player, [](auto& c) { return c.connected; }));
    player.play(QStringLiteral("break-started"));
    player.play(QStringLiteral("break-ends"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.lines().size() >= 2; }, 5000));
    QTest::qWait(300);

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2) << qPrintable(lines.join('\n'));
    EXPECT_EQ(lines[0], "App: Sound file not found: break-started.mp3");
    EXPECT_TRUE(lines[1].startsWith("App: Sound file cannot be read: break-ends.mp3"))
        << qPrintable(lines[1]);
    const PulseSampleSoundPlayer::Counters c = player.counters();
    EXPECT_EQ(c.uploads + c.cachePlays + c.streamPlays, 0);
}
