#pragma once

#include "Platform/MicrophoneProbe.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <functional>

struct pa_context;
struct pa_mainloop;

// Asks the PulseAudio server (PipeWire's pulse server too) for a source that is not the monitor
// of a sink and is RUNNING, i.e. recording for some client. One connection, kept between calls
// and made again after the server went away; each call waits at most about a second. No server
// (or one that does not answer) answers nothing, and is asked again only after a pause that
// doubles, from 2 s up to a minute, while the outage lasts.
//
// The connection subscribes to source events, so a call re-reads the source list only after a
// source changed (started or stopped recording, appeared, went away); otherwise it answers the
// last result after taking in pending events without waiting.
class PulseMicrophoneProbe final : public MicrophoneProbe {
public:
    PulseMicrophoneProbe();
    ~PulseMicrophoneProbe() override;
    PulseMicrophoneProbe(const PulseMicrophoneProbe&) = delete;
    PulseMicrophoneProbe& operator=(const PulseMicrophoneProbe&) = delete;

    std::optional<QString> activeInputDevice() override;

private:
    bool ensureConnected(const QDeadlineTimer& deadline);
    void disconnect();
    // Runs the main loop until `done` holds; false on timeout or a failed loop.
    bool runUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline);
    void pauseReconnecting();
    void reportUnavailable(const char* why);
    static void onSubscriptionEvent(pa_context* context, int type, unsigned index, void* data);

    QMutex m_mutex;
    pa_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
    bool m_reportedUnavailable = false;
    bool m_sourcesChanged = true;
    std::optional<QString> m_lastAnswer;
    QDeadlineTimer m_retryAfter{0};
    int m_reconnectPauseMs = 2000;
};
