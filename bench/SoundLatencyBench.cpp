// From play() returning to the sound starting on the sink: the player sends one request to the
// sound server, which plays the sample from its cache. Records the null sink's monitor (parec,
// 5 ms fragments) and times the first loud sample, less the quiet lead-in of the file itself.
// The figure is an upper bound: it includes the recording's own latency. Target: <= 50 ms.
//
// Needs a sound server with the null sink of tests/support/with-session.sh:
//   bash tests/support/with-session.sh --services=pulse build/bench/soundlatencybench
#include "Platform/Linux/Mpg123Decoder.h"
#include "Platform/Linux/PulseSampleSoundPlayer.h"

#include <QThread>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int rate = 44100;
constexpr int loud = 1000;

// The monitor's samples with the time each read returned.
class MonitorRecording {
public:
    MonitorRecording()
    {
        m_pipe = popen("exec parec --device=ostavel_null_sink.monitor --raw --format=s16le "
                       "--rate=44100 --channels=1 --latency-msec=5",
                       "r");
        m_reader = std::thread([this] { read(); });
    }
    ~MonitorRecording()
    {
        m_stop = true;
        if (m_pipe)
            pclose(m_pipe); // ends parec; the reader sees the end
        m_reader.join();
    }

    // Waits until `quietMs` have passed without a loud sample.
    bool waitForQuiet(int quietMs)
    {
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < until) {
            {
                std::lock_guard lock(m_mutex);
                const size_t window = size_t(rate) * size_t(quietMs) / 1000;
                if (m_samples.size() > window && loudestSince(m_samples.size() - window) < 100)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    size_t mark()
    {
        std::lock_guard lock(m_mutex);
        return m_samples.size();
    }
    // When the first loud sample after `from` reached us: no earlier than the sink played it.
    std::optional<Clock::time_point> onsetAfter(size_t from, std::chrono::milliseconds timeout)
    {
        const auto until = Clock::now() + timeout;
        while (Clock::now() < until) {
            {
                std::lock_guard lock(m_mutex);
                for (size_t i = from; i < m_samples.size(); ++i) {
                    if (std::abs(int(m_samples[i])) < loud)
                        continue;
                    size_t chunk = 0;
                    while (m_chunkEnds[chunk] <= i)
                        ++chunk;
                    return m_chunkTimes[chunk];
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return std::nullopt;
    }

private:
    int loudestSince(size_t from) const
    {
        int loudest = 0;
        for (size_t i = from; i < m_samples.size(); ++i)
            loudest = std::max(loudest, std::abs(int(m_samples[i])));
        return loudest;
    }
    void read()
    {
        qint16 buffer[256];
        while (!m_stop && m_pipe) {
            // Unbuffered, so that the arrival time of each piece is known.
            const ssize_t bytes = ::read(fileno(m_pipe), buffer, sizeof buffer);
            if (bytes <= 0)
                return;
            const size_t got = size_t(bytes) / sizeof(qint16);
            const auto now = Clock::now();
            std::lock_guard lock(m_mutex);
            m_samples.insert(m_samples.end(), buffer, buffer + got);
            m_chunkEnds.push_back(m_samples.size());
            m_chunkTimes.push_back(now);
        }
    }

    FILE* m_pipe = nullptr;
    std::thread m_reader;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<qint16> m_samples;
    std::vector<size_t> m_chunkEnds;
    std::vector<Clock::time_point> m_chunkTimes;
};

// The quiet start of a file, which is part of the sound rather than of the delay.
std::chrono::microseconds leadIn(const QString& name)
{
    const auto decoded = Mpg123Decoder::decodeFile(QStringLiteral(OSTAVEL_BUILD_SOUNDS_DIR "/") +
                                                   name + QStringLiteral(".mp3"));
    const auto* samples = reinterpret_cast<const qint16*>(decoded.sound.pcm.constData());
    const qsizetype count = decoded.sound.pcm.size() / 2;
    for (qsizetype i = 0; i < count; ++i)
        if (std::abs(int(samples[i])) >= loud)
            return std::chrono::microseconds(i / decoded.sound.channels * 1'000'000 /
                                             decoded.sound.rate);
    return {};
}

void BM_PlayToSoundOnNullSink(benchmark::State& state)
{
    PulseSampleSoundPlayer player(QStringLiteral(OSTAVEL_BUILD_SOUNDS_DIR));
    for (int i = 0; i < 500 && player.counters().uploads < 3; ++i)
        QThread::msleep(10);
    if (player.counters().uploads < 3) {
        state.SkipWithError("the samples were not uploaded (no sound server?)");
        return;
    }
    MonitorRecording monitor;
    const QStringList& names = PulseSampleSoundPlayer::knownSounds();
    int played = 0;
    double worstMs = 0;
    for (auto _ : state) {
        const QString& name = names[played++ % names.size()];
        if (!monitor.waitForQuiet(300)) {
            state.SkipWithError("the sink never went quiet");
            return;
        }
        const size_t from = monitor.mark();
        player.play(name);
        const auto returned = Clock::now();
        const auto onset = monitor.onsetAfter(from, std::chrono::seconds(3));
        if (!onset) {
            state.SkipWithError("nothing was heard");
            return;
        }
        const auto delay = *onset - returned - leadIn(name);
        const double seconds = std::chrono::duration<double>(delay).count();
        worstMs = std::max(worstMs, seconds * 1000);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["leadIn_ms"] = double(leadIn(names[0]).count()) / 1000;
    state.counters["cachePlays"] = player.counters().cachePlays;
}
BENCHMARK(BM_PlayToSoundOnNullSink)
    ->UseManualTime()
    ->Iterations(9)
    ->Repetitions(1)
    ->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
