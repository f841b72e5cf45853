#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cstdlib>

// Records the monitor of PrivateSoundServer's null sink, to hear what was played.
class SinkRecorder {
public:
    bool start()
    {
        m_process.start(QStringLiteral("parec"),
                        {"--device=ostavel_test_sink.monitor", "--raw", "--format=s16le",
                         "--rate=44100", "--channels=1", "--latency-msec=20"});
        return QTest::qWaitFor([this] { return take() > 4410; }, 5000);
    }
    ~SinkRecorder()
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
