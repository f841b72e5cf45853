// Runs under tests/support/with-session.sh with its null PulseAudio server: a null source
// "ostavel_null_source" and a null sink "ostavel_null_sink" with its monitor.
#include "Platform/Linux/PulseMicrophoneProbe.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {
constexpr int waitMs = 10000;

class Recorder {
public:
    explicit Recorder(const QString& source)
    {
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("-d"), source, QStringLiteral("/dev/null")});
        m_process.waitForStarted();
    }
    ~Recorder()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

bool sourceRunning(const QString& source)
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sources")});
    pactl.waitForFinished();
    for (const QByteArray& line : pactl.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() >= 2 && fields[1] == source.toUtf8())
            return line.endsWith("RUNNING");
    }
    return false;
}
} // namespace

TEST(PulseMicrophoneProbe, RecordingFromAnInputCountsUntilItStops)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER")) << "run under with-session.sh";
    PulseMicrophoneProbe probe;
    EXPECT_EQ(probe.activeInputDevice(), std::nullopt);
    {
        Recorder recorder(QStringLiteral("ostavel_null_source"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return probe.activeInputDevice().has_value(); }, waitMs));
        EXPECT_FALSE(probe.activeInputDevice()->isEmpty());
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !probe.activeInputDevice().has_value(); }, waitMs));
}

TEST(PulseMicrophoneProbe, RecordingFromAMonitorDoesNotCount)
{
    PulseMicrophoneProbe probe;
    Recorder recorder(QStringLiteral("ostavel_null_sink.monitor"));
    ASSERT_TRUE(QTest::qWaitFor([] { return sourceRunning("ostavel_null_sink.monitor"); }, waitMs));
    EXPECT_EQ(probe.activeInputDevice(), std::nullopt);
}

TEST(PulseMicrophoneProbe, NoServerMeansNoMicrophone)
{
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/ostavel/pulse/native");
    PulseMicrophoneProbe probe;
    EXPECT_EQ(probe.activeInputDevice(), std::nullopt);
    EXPECT_EQ(probe.activeInputDevice(), std::nullopt);
    qputenv("PULSE_SERVER", saved);
}
