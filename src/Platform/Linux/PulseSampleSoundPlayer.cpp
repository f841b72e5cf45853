#include "Platform/Linux/PulseSampleSoundPlayer.h"

#include "Platform/Linux/Mpg123Decoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>
#include <list>
#include <map>
#include <mutex>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop-api.h>
#include <pulse/scache.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

Q_LOGGING_CATEGORY(lcSoundPlayer, "com.ostavel.app.SoundPlayer", QtWarningMsg)

namespace {
// How long a connection may take to become ready, and the server to answer a request, before
// it counts as frozen (a stopped daemon still accepts connections and reads nothing).
constexpr int connectTimeoutMs = 2000;
constexpr int answerTimeoutMs = 2000;
// A sound that waited longer than this for the server is no longer worth playing.
constexpr qint64 requestLifetimeMs = 3000;
constexpr int firstRetryMs = 1000;
constexpr int longestRetryMs = 60000;

timeval after(int ms)
{
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(ms) * PA_USEC_PER_MSEC);
    return when;
}
} // namespace

class PulseSampleSoundPlayer::Loop {
public:
    Loop(QString directory, LogCategory fileLog);
    ~Loop();

    // Any thread; never waits on the mainloop thread.
    void request(const QString& name);
    Counters counters() const;

    const QString directory;

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
        Loop* loop;
        Kind kind;
        Sample* sample;
        pa_stream* stream = nullptr;
        qsizetype written = 0;
        bool awaitingAnswer = true;
        bool sampleFound = false;
    };

    // Mainloop thread from here on.
    void start();
    void takeRequests();
    void handle(const Request& request);
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

    const PulseSampleSoundPlayer::LogCategory m_fileLog;
    pa_threaded_mainloop* m_mainloop = nullptr;
    pa_mainloop_api* m_api = nullptr;
    int m_wakeFd = -1;
    pa_io_event* m_wakeEvent = nullptr;
    pa_defer_event* m_startEvent = nullptr;
    pa_defer_event* m_lostEvent = nullptr;
    pa_time_event* m_retryTimer = nullptr;
    pa_time_event* m_connectTimer = nullptr;
    pa_time_event* m_answerTimer = nullptr;

    std::mutex m_queueMutex;
    std::vector<Request> m_queue;

    pa_context* m_context = nullptr;
    bool m_ready = false;
    std::map<QString, Sample> m_samples;
    std::list<Job> m_jobs;
    std::vector<Request> m_waiting;
    int m_awaitingAnswers = 0;
    int m_retryMs = firstRetryMs;
    bool m_outageLogged = false;
    bool m_refusalLogged = false;

    std::atomic<int> m_uploads{0};
    std::atomic<int> m_cachePlays{0};
    std::atomic<int> m_streamPlays{0};
    std::atomic<int> m_skipped{0};
    std::atomic<int> m_activeStreams{0};
    std::atomic<bool> m_connected{false};
};

PulseSampleSoundPlayer::Loop::Loop(QString directory_, LogCategory fileLog)
    : directory(std::move(directory_))
    , m_fileLog(fileLog ? fileLog : &lcSoundPlayer)
{
    m_mainloop = pa_threaded_mainloop_new();
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (!m_mainloop || m_wakeFd < 0) {
        qCWarning(lcSoundPlayer) << "Sounds are off: the sound thread could not be set up";
        return;
    }
    m_api = pa_threaded_mainloop_get_api(m_mainloop);
    // The thread is not running yet, so its events can be made without the lock.
    m_wakeEvent = m_api->io_new(
        m_api, m_wakeFd, PA_IO_EVENT_INPUT,
        [](pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* data) {
            static_cast<Loop*>(data)->takeRequests();
        },
        this);
    m_startEvent = m_api->defer_new(
        m_api,
        [](pa_mainloop_api*, pa_defer_event*, void* data) { static_cast<Loop*>(data)->start(); },
        this);
    m_lostEvent = m_api->defer_new(
        m_api,
        [](pa_mainloop_api* api, pa_defer_event* event, void* data) {
            api->defer_enable(event, 0);
            static_cast<Loop*>(data)->lose("the sound server went away");
        },
        this);
    m_api->defer_enable(m_lostEvent, 0);
    m_retryTimer = m_api->time_new(
        m_api, nullptr,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            static_cast<Loop*>(data)->connectNow();
        },
        this);
    m_connectTimer = m_api->time_new(
        m_api, nullptr,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            static_cast<Loop*>(data)->lose("the sound server does not answer");
        },
        this);
    m_answerTimer = m_api->time_new(
        m_api, nullptr,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            static_cast<Loop*>(data)->lose("the sound server does not answer");
        },
        this);
    pa_threaded_mainloop_set_name(m_mainloop, "ostavel-sound");
    if (pa_threaded_mainloop_start(m_mainloop) < 0) {
        qCWarning(lcSoundPlayer) << "Sounds are off: the sound thread could not be started";
        m_api = nullptr;
    }
}

PulseSampleSoundPlayer::Loop::~Loop()
{
    if (m_mainloop) {
        // Takes the lock for a moment: the thread holds it only while it dispatches, and
        // nothing it dispatches waits on the server.
        pa_threaded_mainloop_stop(m_mainloop);
        if (m_api) {
            dropConnection();
            for (pa_time_event* timer : {m_retryTimer, m_connectTimer, m_answerTimer})
                if (timer)
                    m_api->time_free(timer);
            for (pa_defer_event* event : {m_startEvent, m_lostEvent})
                if (event)
                    m_api->defer_free(event);
            if (m_wakeEvent)
                m_api->io_free(m_wakeEvent);
        }
        pa_threaded_mainloop_free(m_mainloop);
    }
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void PulseSampleSoundPlayer::Loop::request(const QString& name)
{
    if (!m_api) {
        m_skipped.fetch_add(1);
        return;
    }
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back({name, {}});
        m_queue.back().age.start();
    }
    const uint64_t one = 1;
    // Non-blocking; the counter cannot overflow at a few sounds a minute.
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

PulseSampleSoundPlayer::Counters PulseSampleSoundPlayer::Loop::counters() const
{
    Counters c;
    c.uploads = m_uploads.load();
    c.cachePlays = m_cachePlays.load();
    c.streamPlays = m_streamPlays.load();
    c.skipped = m_skipped.load();
    c.activeStreams = m_activeStreams.load();
    c.connected = m_connected.load();
    return c;
}

void PulseSampleSoundPlayer::Loop::start()
{
    m_api->defer_enable(m_startEvent, 0);
    for (const QString& name : knownSounds())
        sampleFor(name, false);
    connectNow();
}

void PulseSampleSoundPlayer::Loop::takeRequests()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(m_wakeFd, &count, sizeof count);
    std::vector<Request> requests;
    {
        std::lock_guard lock(m_queueMutex);
        requests.swap(m_queue);
    }
    for (const Request& request : requests)
        handle(request);
}

void PulseSampleSoundPlayer::Loop::handle(const Request& request)
{
    Sample* sample = sampleFor(request.name, true);
    if (!sample)
        return;
    if (m_ready) {
        playNow(*sample);
        return;
    }
    m_waiting.push_back(request);
    if (!m_context)
        connectNow();
}

PulseSampleSoundPlayer::Loop::Sample* PulseSampleSoundPlayer::Loop::sampleFor(const QString& name,
                                                                              bool logFailures)
{
    Sample& sample = m_samples[name];
    if (sample.decoded)
        return &sample;
    sample.name = name;
    sample.cacheName = QByteArrayLiteral("ostavel-") + name.toUtf8();
    // A file that was missing may have appeared since: every request looks again.
    const QString path = directory.isEmpty()
                             ? QString()
                             : directory + QLatin1Char('/') + name + QStringLiteral(".mp3");
    const Mpg123Decoder::Result result =
        path.isEmpty() ? Mpg123Decoder::Result{Mpg123Decoder::Result::Status::Missing, {}, {}}
                       : Mpg123Decoder::decodeFile(path);
    switch (result.status) {
    case Mpg123Decoder::Result::Status::Decoded:
        sample.sound = result.sound;
        sample.decoded = true;
        return &sample;
    case Mpg123Decoder::Result::Status::Missing:
        if (logFailures)
            qCCritical(m_fileLog, "Sound file not found: %s.mp3", qUtf8Printable(name));
        return nullptr;
    case Mpg123Decoder::Result::Status::Unreadable:
        if (logFailures)
            qCCritical(m_fileLog, "Sound file cannot be read: %s.mp3 (%s)", qUtf8Printable(name),
                       qUtf8Printable(result.error));
        return nullptr;
    }
    return nullptr;
}

void PulseSampleSoundPlayer::Loop::playNow(Sample& sample)
{
    if (sample.cache == Cache::Uploaded) {
        playFromCache(sample);
        return;
    }
    playThroughStream(sample);
    if (sample.cache == Cache::Absent)
        upload(sample);
}

void PulseSampleSoundPlayer::Loop::playFromCache(Sample& sample)
{
    // Asks for the sample first and plays it on the answer. A server that froze never answers,
    // so nothing is left in its socket to play long after the moment has passed; and a sample
    // that someone removed from the cache is seen before it fails to play.
    Job& job = m_jobs.emplace_back(Job{this, Job::Kind::CachePlay, &sample});
    pa_operation* operation = pa_context_get_sample_info_by_name(
        m_context, sample.cacheName.constData(), onSampleInfo, &job);
    if (!operation) {
        job.awaitingAnswer = false;
        finish(&job);
        playThroughStream(sample);
        return;
    }
    pa_operation_unref(operation);
    expectAnswer();
}

void PulseSampleSoundPlayer::Loop::onSampleInfo(pa_context* context, const pa_sample_info* info,
                                                int endOfList, void* data)
{
    auto* job = static_cast<Job*>(data);
    if (info)
        job->sampleFound = true;
    if (endOfList == 0)
        return;
    Loop* loop = job->loop;
    if (job->sampleFound) {
        // No volume of our own: the server's default for the sink.
        pa_operation* operation =
            pa_context_play_sample(context, job->sample->cacheName.constData(), nullptr,
                                   PA_VOLUME_INVALID, onCachePlayed, job);
        if (operation) {
            pa_operation_unref(operation);
            loop->answered();
            loop->expectAnswer();
            return;
        }
    }
    onCachePlayed(context, 0, job);
}

void PulseSampleSoundPlayer::Loop::onCachePlayed(pa_context*, int success, void* data)
{
    auto* job = static_cast<Job*>(data);
    Loop* loop = job->loop;
    Sample& sample = *job->sample;
    loop->finish(job);
    if (success) {
        loop->m_cachePlays.fetch_add(1);
        return;
    }
    // The sample left the cache (another client removed it, or the server dropped it): play
    // this one directly and put the sample back for the next.
    if (!loop->m_ready)
        return;
    if (sample.cache != Cache::Uploading) {
        sample.cache = Cache::Absent;
        loop->upload(sample);
    }
    loop->playThroughStream(sample);
}

void PulseSampleSoundPlayer::Loop::playThroughStream(Sample& sample)
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(sample.sound.rate),
                              uint8_t(sample.sound.channels)};
    pa_stream* stream = pa_stream_new(m_context, sample.name.toUtf8().constData(), &spec, nullptr);
    if (!stream) {
        skip(1, "the sound server refuses a stream");
        return;
    }
    Job& job = m_jobs.emplace_back(Job{this, Job::Kind::Playback, &sample, stream});
    m_activeStreams.fetch_add(1);
    pa_stream_set_state_callback(stream, onStreamState, &job);
    pa_stream_set_write_callback(stream, onStreamWritable, &job);
    if (pa_stream_connect_playback(stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) <
        0) {
        job.awaitingAnswer = false;
        finish(&job);
        skip(1, "the sound server refuses a stream");
        return;
    }
    expectAnswer();
}

void PulseSampleSoundPlayer::Loop::upload(Sample& sample)
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(sample.sound.rate),
                              uint8_t(sample.sound.channels)};
    pa_stream* stream = pa_stream_new(m_context, sample.cacheName.constData(), &spec, nullptr);
    if (!stream)
        return;
    Job& job = m_jobs.emplace_back(Job{this, Job::Kind::Upload, &sample, stream});
    pa_stream_set_state_callback(stream, onStreamState, &job);
    if (pa_stream_connect_upload(stream, size_t(sample.sound.pcm.size())) < 0) {
        job.awaitingAnswer = false;
        finish(&job);
        return;
    }
    sample.cache = Cache::Uploading;
    expectAnswer();
}

void PulseSampleSoundPlayer::Loop::onStreamState(pa_stream* stream, void* data)
{
    auto* job = static_cast<Job*>(data);
    Loop* loop = job->loop;
    Sample& sample = *job->sample;
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        if (job->kind == Job::Kind::Upload) {
            // The whole sample at once: an upload has no playback pace to follow.
            pa_stream_write(stream, sample.sound.pcm.constData(), size_t(sample.sound.pcm.size()),
                            nullptr, 0, PA_SEEK_RELATIVE);
            pa_stream_finish_upload(stream);
            return;
        }
        job->awaitingAnswer = false;
        loop->answered();
        loop->m_streamPlays.fetch_add(1);
        return;
    case PA_STREAM_TERMINATED:
        if (job->kind == Job::Kind::Upload) {
            sample.cache = Cache::Uploaded;
            loop->m_uploads.fetch_add(1);
        }
        loop->finish(job);
        return;
    case PA_STREAM_FAILED:
        // With the whole connection gone, lose() counts and drops what was in flight.
        if (pa_context_get_state(loop->m_context) != PA_CONTEXT_READY)
            return;
        if (job->kind == Job::Kind::Upload) {
            sample.cache = Cache::Refused;
            if (!loop->m_refusalLogged) {
                loop->m_refusalLogged = true;
                qCInfo(lcSoundPlayer) << "The sound server refuses the sample cache ("
                                      << pa_strerror(pa_context_errno(loop->m_context))
                                      << "); sounds play through a stream";
            }
        } else if (job->awaitingAnswer) {
            loop->m_skipped.fetch_add(1);
        }
        loop->finish(job);
        return;
    default:
        return;
    }
}

void PulseSampleSoundPlayer::Loop::onStreamWritable(pa_stream* stream, size_t bytes, void* data)
{
    auto* job = static_cast<Job*>(data);
    const QByteArray& pcm = job->sample->sound.pcm;
    const size_t left = size_t(pcm.size() - job->written);
    const size_t now = std::min(bytes, left);
    if (now > 0 && pa_stream_write(stream, pcm.constData() + job->written, now, nullptr, 0,
                                   PA_SEEK_RELATIVE) == 0)
        job->written += qsizetype(now);
    if (job->written < pcm.size())
        return;
    // All written: let the server play it out, then close; the stream ends as TERMINATED.
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_operation* drain = pa_stream_drain(
        stream, [](pa_stream* s, int, void*) { pa_stream_disconnect(s); }, nullptr);
    if (drain)
        pa_operation_unref(drain);
    else
        pa_stream_disconnect(stream);
}

void PulseSampleSoundPlayer::Loop::finish(Job* job)
{
    if (job->awaitingAnswer)
        answered();
    if (job->stream) {
        pa_stream_set_state_callback(job->stream, nullptr, nullptr);
        pa_stream_set_write_callback(job->stream, nullptr, nullptr);
        pa_stream_unref(job->stream);
        if (job->kind == Job::Kind::Playback)
            m_activeStreams.fetch_sub(1);
    }
    m_jobs.remove_if([job](const Job& j) { return &j == job; });
}

void PulseSampleSoundPlayer::Loop::connectNow()
{
    if (m_context)
        return;
    disable(m_retryTimer);
    m_context = pa_context_new(m_api, "Ostavel");
    if (!m_context) {
        lose("no sound server");
        return;
    }
    pa_context_set_state_callback(
        m_context, [](pa_context*, void* data) { static_cast<Loop*>(data)->onContextState(); },
        this);
    // Only an already running server: starting one is the desktop's business.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        lose("no sound server");
        return;
    }
    restart(m_connectTimer, connectTimeoutMs);
}

void PulseSampleSoundPlayer::Loop::onContextState()
{
    switch (pa_context_get_state(m_context)) {
    case PA_CONTEXT_READY:
        onReady();
        return;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // Not from inside libpulse's own call chain: the context is dropped on the next pass.
        m_api->defer_enable(m_lostEvent, 1);
        return;
    default:
        return;
    }
}

void PulseSampleSoundPlayer::Loop::onReady()
{
    disable(m_connectTimer);
    m_ready = true;
    m_connected.store(true);
    m_retryMs = firstRetryMs;
    if (m_outageLogged)
        qCInfo(lcSoundPlayer) << "Sound server reachable again";
    m_outageLogged = false;
    // A new server (or a restarted one) has none of our samples.
    for (auto& [name, sample] : m_samples) {
        if (sample.decoded && sample.cache != Cache::Uploading)
            upload(sample);
    }
    std::vector<Request> waiting;
    waiting.swap(m_waiting);
    int stale = 0;
    for (const Request& request : waiting) {
        if (request.age.elapsed() > requestLifetimeMs) {
            ++stale;
            continue;
        }
        if (Sample* sample = sampleFor(request.name, true))
            playNow(*sample);
    }
    skip(stale, "the sound server answered too late");
}

void PulseSampleSoundPlayer::Loop::lose(const char* why)
{
    int unplayed = int(m_waiting.size());
    for (const Job& job : m_jobs)
        if (job.kind != Job::Kind::Upload && job.awaitingAnswer)
            ++unplayed;
    m_waiting.clear();
    dropConnection();
    skip(unplayed, why);
    restart(m_retryTimer, m_retryMs);
    m_retryMs = std::min(m_retryMs * 2, longestRetryMs);
}

void PulseSampleSoundPlayer::Loop::dropConnection()
{
    disable(m_connectTimer);
    disable(m_answerTimer);
    m_api->defer_enable(m_lostEvent, 0);
    m_awaitingAnswers = 0;
    m_ready = false;
    m_connected.store(false);
    for (Job& job : m_jobs) {
        if (!job.stream)
            continue;
        pa_stream_set_state_callback(job.stream, nullptr, nullptr);
        pa_stream_set_write_callback(job.stream, nullptr, nullptr);
        pa_stream_unref(job.stream);
        if (job.kind == Job::Kind::Playback)
            m_activeStreams.fetch_sub(1);
    }
    // Cancelled with the context below: their callbacks never run.
    m_jobs.clear();
    for (auto& [name, sample] : m_samples)
        sample.cache = Cache::Absent;
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
}

void PulseSampleSoundPlayer::Loop::skip(int count, const char* why)
{
    if (count <= 0)
        return;
    m_skipped.fetch_add(count);
    if (m_outageLogged)
        return;
    m_outageLogged = true;
    qCWarning(lcSoundPlayer) << "Sound skipped:" << why;
}

void PulseSampleSoundPlayer::Loop::expectAnswer()
{
    if (m_awaitingAnswers++ == 0)
        restart(m_answerTimer, answerTimeoutMs);
}

void PulseSampleSoundPlayer::Loop::answered()
{
    if (m_awaitingAnswers == 0)
        return;
    if (--m_awaitingAnswers == 0)
        disable(m_answerTimer);
    else
        restart(m_answerTimer, answerTimeoutMs); // the server is moving
}

void PulseSampleSoundPlayer::Loop::restart(pa_time_event* timer, int ms)
{
    const timeval when = after(ms);
    m_api->time_restart(timer, &when);
}

void PulseSampleSoundPlayer::Loop::disable(pa_time_event* timer)
{
    m_api->time_restart(timer, nullptr);
}

PulseSampleSoundPlayer::PulseSampleSoundPlayer(QString soundsDirectory, LogCategory fileLog)
    : m_loop(std::make_unique<Loop>(soundsDirectory.isEmpty() ? defaultSoundsDirectory()
                                                              : std::move(soundsDirectory),
                                    fileLog))
{
}

PulseSampleSoundPlayer::~PulseSampleSoundPlayer() = default;

void PulseSampleSoundPlayer::play(const QString& name)
{
    m_loop->request(name);
}

QString PulseSampleSoundPlayer::soundsDirectory() const
{
    return m_loop->directory;
}

PulseSampleSoundPlayer::Counters PulseSampleSoundPlayer::counters() const
{
    return m_loop->counters();
}

const QStringList& PulseSampleSoundPlayer::knownSounds()
{
    static const QStringList names{QStringLiteral("break-about-to-begin"),
                                   QStringLiteral("break-started"), QStringLiteral("break-ends")};
    return names;
}

QString PulseSampleSoundPlayer::defaultSoundsDirectory()
{
    static const QString directory = [] {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                               QStringLiteral("/../share/ostavel/sounds"));
        if (QFileInfo(beside).isDir())
            return beside;
        return QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                      QStringLiteral("ostavel/sounds"),
                                      QStandardPaths::LocateDirectory);
    }();
    return directory;
}
