#include "App/AppLog.h"
#include "AppDelegateHarness.h"
#include "LogCapture.h"
#include "Platform/Linux/PulseSampleSoundPlayer.h"
#include "TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {
const QStringList soundNames{"break-about-to-begin", "break-started", "break-ends"};

// A null PulseAudio of the test's own, so that it can freeze, kill and restart it.
class SoundServer {
public:
    SoundServer()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        qputenv("PULSE_SERVER", address().toUtf8());
    }
    ~SoundServer()
    {
        thaw();
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString address() const { return QStringLiteral("unix:") + m_dir.path() + "/native"; }

    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path() + "/home");
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path() + "/runtime");
        m_process.setProcessEnvironment(env);
        m_process.start(
            QStringLiteral("pulseaudio"),
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--disable-shm=yes", "--log-target=stderr", "-L",
             "module-native-protocol-unix auth-anonymous=1 socket=" + m_dir.path() + "/native",
             "-L", "module-null-sink sink_name=ostavel_test_sink"});
        return QTest::qWaitFor([this] { return pactl({"info"}); }, 10000);
    }
    void freeze() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void thaw() { ::kill(pid_t(m_process.processId()), SIGCONT); }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    static bool pactl(const QStringList& arguments)
    {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral("pactl"), arguments);
        return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// Records the null sink's monitor, to hear what was played.
class Recorder {
public:
    bool start()
    {
        m_process.start(QStringLiteral("parec"),
                        {"--device=ostavel_test_sink.monitor", "--raw", "--format=s16le",
                         "--rate=44100", "--channels=1", "--latency-msec=20"});
        return QTest::qWaitFor([this] { return take() > 4410; }, 5000);
    }
    ~Recorder()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    qsizetype take()
    {
        m_pcm += m_process.readAllStandardOutput();
        return m_pcm.size() / 2;
    }
    int peak(qsizetype from, qsizetype to = -1) const
    {
        const auto* samples = reinterpret_cast<const qint16*>(m_pcm.constData());
        const qsizetype end = to < 0 ? m_pcm.size() / 2 : to;
        int loudest = 0;
        for (qsizetype i = std::max<qsizetype>(from, 0); i < end; ++i)
            loudest = std::max(loudest, std::abs(int(samples[i])));
        return loudest;
    }
    bool heardSince(qsizetype mark, int timeoutMs = 3000)
    {
        return QTest::qWaitFor([&] { return take() > mark && peak(mark) > 1000; }, timeoutMs);
    }
    // A quarter of a second without sound: what plays next is heard on its own.
    bool waitForSilence(int timeoutMs = 5000)
    {
        return QTest::qWaitFor(
            [this] {
                const qsizetype end = take();
                return end > 11025 && peak(end - 11025) < 100;
            },
            timeoutMs);
    }

private:
    QProcess m_process;
    QByteArray m_pcm;
};

bool waitFor(const PulseSampleSoundPlayer& player,
             const std::function<bool(const PulseSampleSoundPlayer::Counters&)>& condition,
             int timeoutMs = 10000)
{
    return QTest::qWaitFor([&] { return condition(player.counters()); }, timeoutMs);
}
} // namespace

TEST(PulseSampleSoundPlayer, EachSoundIsHeardFromTheCacheAndALostSampleThroughAStream)
{
    SoundServer server;
    ASSERT_TRUE(server.start());
    PulseSampleSoundPlayer player(QStringLiteral(OSTAVEL_BUILD_SOUNDS_DIR));
    ASSERT_TRUE(waitFor(player, [](auto& c) { return c.uploads == 3; }));
    Recorder recorder;
    ASSERT_TRUE(recorder.start());

    for (const QString& name : soundNames) {
        ASSERT_TRUE(recorder.waitForSilence());
        const qsizetype mark = recorder.take();
        player.play(name);
        EXPECT_TRUE(recorder.heardSince(mark)) << qPrintable(name);
    }
    EXPECT_EQ(player.counters().cachePlays, 3);

    // Another client empties the cache: the sound still plays, and the sample goes back.
    ASSERT_TRUE(SoundServer::pactl({"remove-sample", "ostavel-break-ends"}));
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
    SoundServer server;
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
        configure([](Configuration& config) {
            config.workDurationSeconds = 6;
            config.preAlertDurationSeconds = 3;
            config.cursorAlertDurationSeconds = 1;
            config.breakDurationSeconds = 2;
            config.longBreakEnabled = false;
        });
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
        Recorder recorder;
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
    SoundServer server;
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
        Recorder recorder;
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
