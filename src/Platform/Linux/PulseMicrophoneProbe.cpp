#include "Platform/Linux/PulseMicrophoneProbe.h"

#include "Platform/Linux/LinuxLog.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>
#include <pulse/subscribe.h>

namespace {
constexpr int queryTimeoutMs = 1000;
// Without a sound server (or with a frozen one), asking every refresh would cost a connection
// attempt (or a second's wait) each time: the pause doubles up to a minute while it lasts.
constexpr int firstReconnectPauseMs = 2000;
constexpr int longestReconnectPauseMs = 60000;

struct SourceSearch {
    std::optional<QString> device;
    bool done = false;
};

void onSourceInfo(pa_context*, const pa_source_info* info, int endOfList, void* data)
{
    auto* search = static_cast<SourceSearch*>(data);
    if (endOfList != 0) {
        search->done = true;
        return;
    }
    if (!info || search->device)
        return;
    if (info->monitor_of_sink != PA_INVALID_INDEX || info->state != PA_SOURCE_RUNNING)
        return;
    const char* name = info->description ? info->description : info->name;
    search->device = name ? QString::fromUtf8(name) : QString();
}
} // namespace

PulseMicrophoneProbe::PulseMicrophoneProbe() = default;

PulseMicrophoneProbe::~PulseMicrophoneProbe()
{
    disconnect();
}

std::optional<QString> PulseMicrophoneProbe::activeInputDevice()
{
    QMutexLocker lock(&m_mutex);
    if (!m_context && !m_retryAfter.hasExpired())
        return std::nullopt;
    const QDeadlineTimer deadline(queryTimeoutMs);
    if (!ensureConnected(deadline)) {
        pauseReconnecting();
        return std::nullopt;
    }

    // Take in the source events that arrived since the last call, without waiting.
    for (int i = 0; i < 64 && pa_mainloop_iterate(m_mainloop, 0, nullptr) > 0; ++i) {
    }
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context))) {
        disconnect();
        return std::nullopt;
    }
    if (!m_sourcesChanged)
        return m_lastAnswer;
    // Cleared before the query: an event during it makes the next call ask again.
    m_sourcesChanged = false;

    SourceSearch search;
    pa_operation* operation = pa_context_get_source_info_list(m_context, onSourceInfo, &search);
    if (!operation) {
        disconnect();
        return std::nullopt;
    }
    // A server that goes away fails the context; the query then never completes.
    const bool finished = runUntil(
        [this, &search] {
            return search.done || !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context));
        },
        deadline);
    if (!finished || !search.done) {
        // The callback must never see `search` again.
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
        disconnect();
        pauseReconnecting();
        reportUnavailable("the sound server did not answer");
        return std::nullopt;
    }
    pa_operation_unref(operation);
    m_lastAnswer = search.device;
    return search.device;
}

void PulseMicrophoneProbe::onSubscriptionEvent(pa_context*, int type, unsigned, void* data)
{
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SOURCE)
        static_cast<PulseMicrophoneProbe*>(data)->m_sourcesChanged = true;
}

bool PulseMicrophoneProbe::ensureConnected(const QDeadlineTimer& deadline)
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return true;
    disconnect();
    m_mainloop = pa_mainloop_new();
    if (!m_mainloop)
        return false;
    m_context = pa_context_new(pa_mainloop_get_api(m_mainloop), "Ostavel");
    // Only an already running server counts: starting one would itself open the devices.
    if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        disconnect();
        reportUnavailable("no sound server");
        return false;
    }
    const bool settled = runUntil(
        [this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        },
        deadline);
    if (!settled || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        disconnect();
        reportUnavailable("no sound server");
        return false;
    }
    pa_context_set_subscribe_callback(
        m_context,
        [](pa_context* context, pa_subscription_event_type_t type, uint32_t index, void* data) {
            onSubscriptionEvent(context, int(type), index, data);
        },
        this);
    if (pa_operation* subscribe =
            pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr))
        pa_operation_unref(subscribe);
    m_sourcesChanged = true;
    m_reconnectPauseMs = firstReconnectPauseMs;
    if (m_reportedUnavailable)
        qCInfo(lcLinuxMicrophone) << "Sound server reachable again";
    m_reportedUnavailable = false;
    return true;
}

void PulseMicrophoneProbe::disconnect()
{
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_mainloop) {
        pa_mainloop_free(m_mainloop);
        m_mainloop = nullptr;
    }
}

bool PulseMicrophoneProbe::runUntil(const std::function<bool()>& done,
                                    const QDeadlineTimer& deadline)
{
    while (!done()) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return false;
        if (pa_mainloop_prepare(m_mainloop, int(remaining * 1000)) < 0 ||
            pa_mainloop_poll(m_mainloop) < 0 || pa_mainloop_dispatch(m_mainloop) < 0)
            return false;
    }
    return true;
}

void PulseMicrophoneProbe::pauseReconnecting()
{
    m_retryAfter = QDeadlineTimer(m_reconnectPauseMs);
    m_reconnectPauseMs = std::min(m_reconnectPauseMs * 2, longestReconnectPauseMs);
}

void PulseMicrophoneProbe::reportUnavailable(const char* why)
{
    if (m_reportedUnavailable)
        return;
    m_reportedUnavailable = true;
    qCWarning(lcLinuxMicrophone) << "Microphone use cannot be seen:" << why;
}
