#include "Platform/Linux/PulseSampleSoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <pulse/mainloop-api.h>
#include <pulse/thread-mainloop.h>
#include <sys/eventfd.h>
#include <unistd.h>

PulseSampleSoundPlayer::PulseSampleSoundPlayer(QString soundsDirectory, LogCategory fileLog)
    : m_directory(soundsDirectory.isEmpty() ? defaultSoundsDirectory() : std::move(soundsDirectory))
{
    m_mainloop = pa_threaded_mainloop_new();
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (!m_mainloop || m_wakeFd < 0) {
        qCWarning(lcSoundPlayer) << "Sounds are off: the sound thread could not be set up";
        return;
    }
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_mainloop);
    // The thread is not running yet, so its events can be made without the lock.
    m_session = std::make_unique<PulseSoundSession>(api, m_directory, fileLog, m_counters);
    m_wakeEvent = api->io_new(
        api, m_wakeFd, PA_IO_EVENT_INPUT,
        [](pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* data) {
            static_cast<PulseSampleSoundPlayer*>(data)->takeRequests();
        },
        this);
    // Decoding and the first connection happen on the thread's first pass.
    m_startEvent = api->defer_new(
        api,
        [](pa_mainloop_api* loopApi, pa_defer_event* event, void* data) {
            loopApi->defer_enable(event, 0);
            static_cast<PulseSampleSoundPlayer*>(data)->m_session->start(knownSounds());
        },
        this);
    pa_threaded_mainloop_set_name(m_mainloop, "ostavel-sound");
    m_running = pa_threaded_mainloop_start(m_mainloop) >= 0;
    if (!m_running)
        qCWarning(lcSoundPlayer) << "Sounds are off: the sound thread could not be started";
}

PulseSampleSoundPlayer::~PulseSampleSoundPlayer()
{
    if (m_mainloop) {
        // Takes the lock for a moment: the thread holds it only while it dispatches, and
        // nothing it dispatches waits on the server.
        pa_threaded_mainloop_stop(m_mainloop);
        if (m_session) {
            pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_mainloop);
            m_session.reset();
            api->io_free(m_wakeEvent);
            api->defer_free(m_startEvent);
        }
        pa_threaded_mainloop_free(m_mainloop);
    }
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void PulseSampleSoundPlayer::play(const QString& name)
{
    if (!m_running) {
        m_counters.skipped.fetch_add(1);
        return;
    }
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back({name, {}});
        m_queue.back().asked.start();
    }
    const uint64_t one = 1;
    // Non-blocking, and the counter cannot overflow at a few sounds a minute.
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

void PulseSampleSoundPlayer::takeRequests()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(m_wakeFd, &count, sizeof count);
    std::vector<Request> requests;
    {
        std::lock_guard lock(m_queueMutex);
        requests.swap(m_queue);
    }
    for (const Request& request : requests)
        m_session->play(request.name, request.asked);
}

PulseSampleSoundPlayer::Counters PulseSampleSoundPlayer::counters() const
{
    Counters c;
    c.uploads = m_counters.uploads.load();
    c.cachePlays = m_counters.cachePlays.load();
    c.streamPlays = m_counters.streamPlays.load();
    c.skipped = m_counters.skipped.load();
    c.activeStreams = m_counters.activeStreams.load();
    c.connected = m_counters.connected.load();
    return c;
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
