#include "Platform/Linux/PulseSoundSession.h"

#include <algorithm>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop-api.h>
#include <pulse/scache.h>
#include <pulse/stream.h>
#include <pulse/timeval.h>

Q_LOGGING_CATEGORY(lcSoundPlayer, "com.ostavel.app.SoundPlayer", QtWarningMsg)

namespace {
// The decoded sounds are interleaved signed 16-bit samples in the machine's byte order.
pa_sample_spec sampleFormat(int rate, int channels)
{
    return {PA_SAMPLE_S16NE, uint32_t(rate), uint8_t(channels)};
}

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

PulseSoundSession::PulseSoundSession(pa_mainloop_api* api, QString directory, LogCategory fileLog,
                                     PulseSoundCounters& counters)
    : m_api(api)
    , m_directory(std::move(directory))
    , m_fileLog(fileLog ? fileLog : &lcSoundPlayer)
    , m_counters(counters)
    , m_retryMs(firstRetryMs)
{
    m_lostEvent = m_api->defer_new(
        m_api,
        [](pa_mainloop_api* loopApi, pa_defer_event* event, void* data) {
            loopApi->defer_enable(event, 0);
            static_cast<PulseSoundSession*>(data)->lose("the sound server went away");
        },
        this);
    m_api->defer_enable(m_lostEvent, 0);
    m_retryTimer = m_api->time_new(
        m_api, nullptr,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            static_cast<PulseSoundSession*>(data)->connectNow();
        },
        this);
    m_connectTimer = m_api->time_new(
        m_api, nullptr,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            static_cast<PulseSoundSession*>(data)->lose("the sound server does not answer");
        },
        this);
    m_answerTimer = m_api->time_new(
        m_api, nullptr,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            static_cast<PulseSoundSession*>(data)->lose("the sound server does not answer");
        },
        this);
}

PulseSoundSession::~PulseSoundSession()
{
    dropConnection();
    for (pa_time_event* timer : {m_retryTimer, m_connectTimer, m_answerTimer})
        m_api->time_free(timer);
    m_api->defer_free(m_lostEvent);
}

void PulseSoundSession::start(const QStringList& preload)
{
    for (const QString& name : preload)
        sampleFor(name, false);
    connectNow();
}

void PulseSoundSession::play(const QString& name, const QElapsedTimer& asked)
{
    Sample* sample = sampleFor(name, true);
    if (!sample)
        return;
    if (m_ready) {
        playNow(*sample);
        return;
    }
    m_waiting.push_back({name, asked});
    if (!m_context)
        connectNow();
}

PulseSoundSession::Sample* PulseSoundSession::sampleFor(const QString& name, bool logFailures)
{
    Sample& sample = m_samples[name];
    if (sample.decoded)
        return &sample;
    sample.name = name;
    sample.cacheName = QByteArrayLiteral("ostavel-") + name.toUtf8();
    // A file that was missing may have appeared since: every request looks again.
    const QString path = m_directory.isEmpty()
                             ? QString()
                             : m_directory + QLatin1Char('/') + name + QStringLiteral(".mp3");
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

void PulseSoundSession::playNow(Sample& sample)
{
    if (sample.cache == Cache::Uploaded) {
        playFromCache(sample);
        return;
    }
    playThroughStream(sample);
    if (sample.cache == Cache::Absent)
        upload(sample);
}

void PulseSoundSession::playFromCache(Sample& sample)
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

void PulseSoundSession::onSampleInfo(pa_context* context, const pa_sample_info* info, int endOfList,
                                     void* data)
{
    auto* job = static_cast<Job*>(data);
    if (info)
        job->sampleFound = true;
    if (endOfList == 0)
        return;
    PulseSoundSession* session = job->session;
    if (job->sampleFound) {
        // No volume of our own: the server's default for the sink.
        pa_operation* operation =
            pa_context_play_sample(context, job->sample->cacheName.constData(), nullptr,
                                   PA_VOLUME_INVALID, onCachePlayed, job);
        if (operation) {
            pa_operation_unref(operation);
            session->answered();
            session->expectAnswer();
            return;
        }
    }
    onCachePlayed(context, 0, job);
}

void PulseSoundSession::onCachePlayed(pa_context*, int success, void* data)
{
    auto* job = static_cast<Job*>(data);
    PulseSoundSession* session = job->session;
    Sample& sample = *job->sample;
    session->finish(job);
    if (success) {
        session->m_counters.cachePlays.fetch_add(1);
        return;
    }
    // The sample left the cache (another client removed it, or the server dropped it): play
    // this one directly and put the sample back for the next.
    if (!session->m_ready)
        return;
    if (sample.cache != Cache::Uploading) {
        sample.cache = Cache::Absent;
        session->upload(sample);
    }
    session->playThroughStream(sample);
}

void PulseSoundSession::playThroughStream(Sample& sample)
{
    const pa_sample_spec format = sampleFormat(sample.sound.rate, sample.sound.channels);
    pa_stream* stream =
        pa_stream_new(m_context, sample.name.toUtf8().constData(), &format, nullptr);
    if (!stream) {
        skip(1, "the sound server refuses a stream");
        return;
    }
    Job& job = m_jobs.emplace_back(Job{this, Job::Kind::Playback, &sample, stream});
    m_counters.activeStreams.fetch_add(1);
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

void PulseSoundSession::upload(Sample& sample)
{
    const pa_sample_spec format = sampleFormat(sample.sound.rate, sample.sound.channels);
    pa_stream* stream = pa_stream_new(m_context, sample.cacheName.constData(), &format, nullptr);
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

void PulseSoundSession::onStreamState(pa_stream* stream, void* data)
{
    auto* job = static_cast<Job*>(data);
    PulseSoundSession* session = job->session;
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
        session->answered();
        session->m_counters.streamPlays.fetch_add(1);
        return;
    case PA_STREAM_TERMINATED:
        if (job->kind == Job::Kind::Upload) {
            sample.cache = Cache::Uploaded;
            session->m_counters.uploads.fetch_add(1);
        }
        session->finish(job);
        return;
    case PA_STREAM_FAILED: {
        // With the whole connection gone, lose() counts and drops what was in flight.
        if (pa_context_get_state(session->m_context) != PA_CONTEXT_READY)
            return;
        if (job->kind == Job::Kind::Upload) {
            sample.cache = Cache::Refused;
            if (!session->m_refusalLogged) {
                session->m_refusalLogged = true;
                qCInfo(lcSoundPlayer) << "The sound server refuses the sample cache ("
                                      << pa_strerror(pa_context_errno(session->m_context))
                                      << "); sounds play through a stream";
            }
            session->finish(job);
            return;
        }
        const bool unplayed = job->awaitingAnswer;
        session->finish(job);
        if (unplayed)
            session->skip(1, "the sound server refuses a stream");
        return;
    }
    default:
        return;
    }
}

void PulseSoundSession::onStreamWritable(pa_stream* stream, size_t bytes, void* data)
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

void PulseSoundSession::finish(Job* job)
{
    if (job->awaitingAnswer)
        answered();
    if (job->stream) {
        pa_stream_set_state_callback(job->stream, nullptr, nullptr);
        pa_stream_set_write_callback(job->stream, nullptr, nullptr);
        pa_stream_unref(job->stream);
        if (job->kind == Job::Kind::Playback)
            m_counters.activeStreams.fetch_sub(1);
    }
    m_jobs.remove_if([job](const Job& j) { return &j == job; });
}

void PulseSoundSession::connectNow()
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
        m_context,
        [](pa_context*, void* data) { static_cast<PulseSoundSession*>(data)->onContextState(); },
        this);
    // Only an already running server: starting one is the desktop's business.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        lose("no sound server");
        return;
    }
    restart(m_connectTimer, connectTimeoutMs);
}

void PulseSoundSession::onContextState()
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

void PulseSoundSession::onReady()
{
    disable(m_connectTimer);
    m_ready = true;
    m_counters.connected.store(true);
    m_retryMs = firstRetryMs;
    std::vector<Request> waiting;
    waiting.swap(m_waiting);
    const auto stale = std::partition(waiting.begin(), waiting.end(), [](const Request& request) {
        return request.age.elapsed() <= requestLifetimeMs;
    });
    // Still part of the outage that held them back.
    skip(int(waiting.end() - stale), "the sound server answered too late");
    waiting.erase(stale, waiting.end());
    if (m_outageLogged)
        qCInfo(lcSoundPlayer) << "Sound server reachable again";
    m_outageLogged = false;

    // A new server (or a restarted one) has none of our samples.
    for (auto& [name, sample] : m_samples) {
        if (sample.decoded && sample.cache != Cache::Uploading)
            upload(sample);
    }
    for (const Request& request : waiting) {
        if (Sample* sample = sampleFor(request.name, true))
            playNow(*sample);
    }
}

void PulseSoundSession::lose(const char* why)
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

void PulseSoundSession::dropConnection()
{
    disable(m_connectTimer);
    disable(m_answerTimer);
    m_api->defer_enable(m_lostEvent, 0);
    m_awaitingAnswers = 0;
    m_ready = false;
    m_counters.connected.store(false);
    for (Job& job : m_jobs) {
        if (!job.stream)
            continue;
        pa_stream_set_state_callback(job.stream, nullptr, nullptr);
        pa_stream_set_write_callback(job.stream, nullptr, nullptr);
        pa_stream_unref(job.stream);
        if (job.kind == Job::Kind::Playback)
            m_counters.activeStreams.fetch_sub(1);
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

void PulseSoundSession::skip(int count, const char* why)
{
    if (count <= 0)
        return;
    m_counters.skipped.fetch_add(count);
    if (m_outageLogged)
        return;
    m_outageLogged = true;
    qCWarning(lcSoundPlayer) << "Sound skipped:" << why;
}

void PulseSoundSession::expectAnswer()
{
    if (m_awaitingAnswers++ == 0)
        restart(m_answerTimer, answerTimeoutMs);
}

void PulseSoundSession::answered()
{
    if (m_awaitingAnswers == 0)
        return;
    if (--m_awaitingAnswers == 0)
        disable(m_answerTimer);
    else
        restart(m_answerTimer, answerTimeoutMs); // the server is moving
}

void PulseSoundSession::restart(pa_time_event* timer, int ms)
{
    const timeval when = after(ms);
    m_api->time_restart(timer, &when);
}

void PulseSoundSession::disable(pa_time_event* timer)
{
    m_api->time_restart(timer, nullptr);
}
