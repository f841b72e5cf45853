#pragma once

#include "Platform/Linux/Mpg123Decoder.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <atomic>
#include <list>
#include <map>
#include <vector>

struct pa_context;
struct pa_defer_event;
struct pa_mainloop_api;
struct pa_sample_info;
struct pa_stream;
struct pa_time_event;

Q_DECLARE_LOGGING_CATEGORY(lcSoundPlayer)

// What a session has done so far: written on its mainloop thread, read from any thread.
struct PulseSoundCounters {
    std::atomic<int> uploads{0};
    std::atomic<int> cachePlays{0};
    std::atomic<int> streamPlays{0};
    std::atomic<int> skipped{0};
    std::atomic<int> activeStreams{0};
    std::atomic<bool> connected{false};
};

// The sound server as PulseSampleSoundPlayer's mainloop thread sees it: one connection, the
// decoded sounds, their copies in the server's sample cache, and the streams that play a sound
// where the cache cannot. Every method and callback runs on that mainloop's thread (the
// destructor with the loop stopped); nothing here waits, everything is a callback.
//
// A connection that is not ready within 2 s, or a request unanswered for 2 s, counts as a frozen
// server: it is dropped, the sounds in flight count as skipped (one warning per outage), and a
// new connection is tried after a pause that doubles from 1 s up to a minute, or at once when a
// sound is due. Each new connection uploads the samples again.
class PulseSoundSession {
public:
    using LogCategory = const QLoggingCategory& (*)();

    PulseSoundSession(pa_mainloop_api* api, QString directory, LogCategory fileLog,
                      PulseSoundCounters& counters);
    ~PulseSoundSession();
    PulseSoundSession(const PulseSoundSession&) = delete;
    PulseSoundSession& operator=(const PulseSoundSession&) = delete;

    // Decodes `preload` and connects.
    void start(const QStringList& preload);
    // Plays `name` now if it can, or once connected if that comes soon after `asked` started.
    void play(const QString& name, const QElapsedTimer& asked);

private:
    enum class Cache { Absent, Uploading, Uploaded, Refused };
    struct Sample {
        QString name;
        QByteArray cacheName;
        bool decoded = false;
        DecodedSound sound;
        Cache cache = Cache::Absent;
    };
    struct Request {
        QString name;
        QElapsedTimer age;
    };
    // One upload or playback stream, or one play-from-cache call, in flight.
    struct Job {
        enum class Kind { Upload, Playback, CachePlay };
        PulseSoundSession* session;
        Kind kind;
        Sample* sample;
        pa_stream* stream = nullptr;
        qsizetype written = 0;
        bool awaitingAnswer = true;
        bool sampleFound = false;
    };

    Sample* sampleFor(const QString& name, bool logFailures);
    void playNow(Sample& sample);
    void playFromCache(Sample& sample);
    void playThroughStream(Sample& sample);
    void upload(Sample& sample);
    void finish(Job* job);

    void connectNow();
    void onContextState();
    void onReady();
    // Drops the connection, skips what waited for it, and tries again after a pause.
    void lose(const char* why);
    void dropConnection();
    void skip(int count, const char* why);
    void expectAnswer();
    void answered();
    void restart(pa_time_event* timer, int ms);
    void disable(pa_time_event* timer);

    static void onStreamState(pa_stream* stream, void* data);
    static void onStreamWritable(pa_stream* stream, size_t bytes, void* data);
    static void onSampleInfo(pa_context* context, const pa_sample_info* info, int endOfList,
                             void* data);
    static void onCachePlayed(pa_context* context, int success, void* data);

    pa_mainloop_api* const m_api;
    const QString m_directory;
    const LogCategory m_fileLog;
    PulseSoundCounters& m_counters;
    pa_defer_event* m_lostEvent = nullptr;
    pa_time_event* m_retryTimer = nullptr;
    pa_time_event* m_connectTimer = nullptr;
    pa_time_event* m_answerTimer = nullptr;

    pa_context* m_context = nullptr;
    bool m_ready = false;
    std::map<QString, Sample> m_samples;
    std::list<Job> m_jobs;
    std::vector<Request> m_waiting;
    int m_awaitingAnswers = 0;
    int m_retryMs = 0;
    bool m_outageLogged = false;
    bool m_refusalLogged = false;
};
