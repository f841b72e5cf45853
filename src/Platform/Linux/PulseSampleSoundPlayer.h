#pragma once

#include "Platform/Linux/PulseSoundSession.h"
#include "Platform/SoundPlayer.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QString>
#include <memory>
#include <mutex>
#include <vector>

struct pa_defer_event;
struct pa_io_event;
struct pa_threaded_mainloop;

// Plays "<name>.mp3" from the sounds folder through the sound server's sample cache (PulseAudio,
// PipeWire's pulse server too). The files are decoded once, uploaded under names of our own and
// then played by name; where the server refuses the cache, or lost the sample, a short playback
// stream plays the decoded sound instead. Sounds may overlap.
//
// Everything that talks to the server (PulseSoundSession) runs on a libpulse threaded mainloop of
// its own. play() only queues the name and wakes that thread through an eventfd: the calling
// (main) thread never takes the mainloop's lock, so a frozen or vanished server cannot hold it
// up. A sound that cannot play soon after it was asked for is skipped, with one warning per
// outage.
class PulseSampleSoundPlayer final : public SoundPlayer {
public:
    using LogCategory = PulseSoundSession::LogCategory;

    // Empty directory: defaultSoundsDirectory(). The "Sound file not found" line goes to
    // `fileLog` (the application's category, lcApp), else to the player's own.
    explicit PulseSampleSoundPlayer(QString soundsDirectory = {}, LogCategory fileLog = nullptr);
    ~PulseSampleSoundPlayer() override;
    PulseSampleSoundPlayer(const PulseSampleSoundPlayer&) = delete;
    PulseSampleSoundPlayer& operator=(const PulseSampleSoundPlayer&) = delete;

    void play(const QString& name) override;
    QString soundsDirectory() const { return m_directory; }

    // What the mainloop thread has done so far; for tests and benchmarks. Any thread.
    struct Counters {
        int uploads = 0;       // samples the server's cache accepted
        int cachePlays = 0;    // sounds the server played from its cache
        int streamPlays = 0;   // sounds written through a playback stream
        int skipped = 0;       // sounds asked for that did not play
        int activeStreams = 0; // playback streams still open
        bool connected = false;
    };
    Counters counters() const;

    // <binary>/../share/ostavel/sounds (installed prefix and build tree alike), else the first
    // "ostavel/sounds" folder in the XDG data dirs. Looked up once per process; empty if none.
    static QString defaultSoundsDirectory();
    // The sounds decoded at start-up, so that the first play needs no decoding.
    static const QStringList& knownSounds();

private:
    struct Request {
        QString name;
        QElapsedTimer asked;
    };
    void takeRequests(); // mainloop thread

    const QString m_directory;
    PulseSoundCounters m_counters;
    pa_threaded_mainloop* m_mainloop = nullptr;
    int m_wakeFd = -1;
    pa_io_event* m_wakeEvent = nullptr;
    pa_defer_event* m_startEvent = nullptr;
    std::unique_ptr<PulseSoundSession> m_session;
    bool m_running = false;

    std::mutex m_queueMutex;
    std::vector<Request> m_queue;
};
