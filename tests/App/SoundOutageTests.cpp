#include "AppDelegateHarness.h"
#include "LogCapture.h"
#include "Platform/Linux/PulseSampleSoundPlayer.h"
#include "PrivateSoundServer.h"
#include "SinkRecorder.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {
bool waitFor(const PulseSampleSoundPlayer& player,
             const std::function<bool(const PulseSampleSoundPlayer::Counters&)>& condition,
             int timeoutMs = 10000)
{
    return QTest::qWaitFor([&] { return condition(player.counters()); }, timeoutMs);
}
} // namespace

// The real player behind the delegate, with a server that freezes and later dies while the
// engine's sounds are due.
class SoundOutageTest : public AppDelegateTest {
protected:
    class Tee final : public SoundPlayer {
    public:
        Tee(QStringList& story, PulseSampleSoundPlayer& player)
            : m_story(story)
            , m_player(player)
        {
        }
        void play(const QString& name) override
        {
            m_player.play(name);
            m_story << QStringLiteral("sound ") + name;
        }

    private:
        QStringList& m_story;
        PulseSampleSoundPlayer& m_player;
    };

    void startEngine()
    {
        AppComponents c = components();
        c.makeSoundPlayer = [this] { return std::make_unique<Tee>(story, player); };
        makeDelegate(std::move(c));
        configureShortCycle();
        delegate().startMainApp();
        engine().stop(); // the test ticks, while it waits for the server too
        activity->idleSeconds = 5;
    }
    QStringList cycle()
    {
        story.clear();
        for (int i = 0; i < 12 && story.count() < 9; ++i)
            engine().tick();
        return story;
    }
    void expectHeard(const QString& name)
    {
        SinkRecorder recorder;
        ASSERT_TRUE(recorder.start());
        ASSERT_TRUE(recorder.waitForSilence());
        const qsizetype mark = recorder.take();
        player.play(name);
        EXPECT_TRUE(recorder.heardSince(mark)) << qPrintable(name);
    }

    const QStringList wholeCycle{
        "show preAlert",   "sound break-about-to-begin", "show cursorAlert",    "dismiss preAlert",
        "show break",      "sound break-started",        "dismiss cursorAlert", "dismiss break",
        "sound break-ends"};
    PrivateSoundServer server;
    PulseSampleSoundPlayer player{QStringLiteral(OSTAVEL_BUILD_SOUNDS_DIR)};
};

TEST_F(SoundOutageTest, FrozenOrKilledServerLeavesTheTimelineAndSoundsComeBack)
{
    ASSERT_TRUE(server.start());
    LogCapture log("com.ostavel.app.SoundPlayer");
    startEngine();
    ASSERT_TRUE(waitFor(player, [](auto& c) { return c.uploads == 3; }));

    server.freeze();
    EXPECT_EQ(cycle(), wholeCycle);
    EXPECT_TRUE(waitFor(player, [](auto& c) { return c.skipped == 3 && !c.connected; }));
    server.thaw();
    ASSERT_TRUE(waitFor(
        player, [](auto& c) { return c.uploads == 6; }, 15000));
    {
        // Nothing asked for during the freeze plays late.
        SinkRecorder recorder;
        ASSERT_TRUE(recorder.start());
        QTest::qWait(1200);
        EXPECT_LT(recorder.peak(0, recorder.take()), 100);
    }
    expectHeard(QStringLiteral("break-started"));

    server.kill();
    EXPECT_EQ(cycle(), wholeCycle);
    EXPECT_TRUE(waitFor(player, [](auto& c) { return c.skipped == 6; }));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(waitFor(
        player, [](auto& c) { return c.uploads == 9; }, 15000));
    expectHeard(QStringLiteral("break-ends"));
    EXPECT_EQ(player.counters().cachePlays, 2);

    QStringList skipped = log.lines().filter(QStringLiteral("Sound skipped"));
    EXPECT_EQ(skipped.size(), 2) << "one line per outage:\n" << qPrintable(log.lines().join('\n'));
}
