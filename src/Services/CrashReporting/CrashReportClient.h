#pragma once

#include "Services/CrashReporting/Dsn.h"
#include "Services/CrashReporting/EnvelopeQueue.h"
#include "Services/CrashReporting/FeedbackSenderProtocol.h"

#include <QLoggingCategory>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

class Clock;
class HttpsClient;
class QNetworkReply;
class ServiceTimer;

Q_DECLARE_LOGGING_CATEGORY(lcCrashReporting)

struct CrashReportOptions {
    QString dsn;
    QString release;
    QString environment;
};

struct UserFeedback {
    QString message;
    QString name;  // empty: absent
    QString email; // empty: absent
    QString source = QStringLiteral("custom");
};

// A small client of the crash-reporting service's envelope protocol: fatal crash events and user
// feedback, nothing else (no traces, no profiles, no sessions).
//
// Everything to send first goes to an on-disk queue, so nothing is lost offline or when the app
// quits; the queue is sent oldest first, one request at a time. A 429 waits out its Retry-After;
// 5xx answers are retried with a growing delay and an envelope is dropped only after
// maxServerAttempts of them; network failures are retried without counting against an envelope;
// other 4xx answers drop the envelope at once, as the server will never take it.
//
// While started, crash handlers are installed; a crash leaves a report in crashDirectory(), and the
// next start() queues it as a fatal event and deletes the file. Main thread only.
class CrashReportClient : public QObject {
    Q_OBJECT

public:
    static constexpr int maxServerAttempts = 8;
    static constexpr std::chrono::seconds firstRetryDelay{30};
    static constexpr std::chrono::seconds maxRetryDelay{3600};
    static constexpr std::chrono::seconds defaultRateLimitDelay{60};
    static constexpr std::chrono::seconds maxRateLimitDelay{24 * 3600};
    // How often the crash handler's list of loaded images is brought up to date, for libraries
    // and plugins loaded after start-up.
    static constexpr std::chrono::minutes imagesRefreshInterval{5};

    // `storageDirectory` is the app's data folder; the reports and the queue live below it in
    // "crash-reports". The clock must outlive the client.
    CrashReportClient(const Clock& clock, std::unique_ptr<HttpsClient> http,
                      std::unique_ptr<ServiceTimer> retryTimer, QString storageDirectory,
                      EnvelopeQueue::Limits limits = {}, QObject* parent = nullptr);
    ~CrashReportClient() override;

    // $XDG_DATA_HOME/Ostavel.
    static QString defaultStorageDirectory();

    // Starts (or restarts) with these options and no tags. False, with one log line, when the DSN
    // is empty, malformed or not reachable over HTTPS; the client then stays off.
    bool start(const CrashReportOptions& options);
    // Stops sending and restores the previous crash handlers. The queue stays on disk.
    void close();
    bool isEnabled() const { return m_enabled; }

    void setTag(const QString& key, const QString& value);
    QMap<QString, QString> tags() const { return m_tags; }

    // True once the feedback is queued. False, and nothing is sent, unless started, for a blank
    // message, or when the queue cannot store it. A message is cut to
    // FeedbackSenderProtocol::maxFeedbackLength, so callers that must not lose text check the
    // length first.
    bool captureFeedback(const UserFeedback& feedback);

    // Deletes crash reports and queued envelopes unsent (consent withdrawn).
    void discardPending();

    // Sends what is due now. The retry timer calls this; so can tests.
    void processQueue();

    QString crashDirectory() const { return m_crashDirectory; }
    QString currentReportPath() const { return m_reportPath; }
    EnvelopeQueue& queue() { return m_queue; }

signals:
    // After each answer (or failure, with status 0) to one envelope upload.
    void uploadFinished(int httpStatus);

private:
    // Reports and queued feedback are the user's alone; earlier versions wrote them readable.
    void restrictStorage() const;
    void queueCrashReports();
    QByteArray makeEnvelope(const QString& eventId, const QString& itemType,
                            const QJsonObject& payload) const;
    void onReplyFinished();
    void retryAfter(std::chrono::milliseconds delay);
    std::chrono::milliseconds rateLimitDelay(const QNetworkReply& reply) const;
    static std::chrono::milliseconds backoff(int failures);
    qint64 nowMs() const;

    const Clock& m_clock;
    std::unique_ptr<HttpsClient> m_http;
    std::unique_ptr<ServiceTimer> m_retryTimer;
    QString m_crashDirectory;
    EnvelopeQueue m_queue;
    std::optional<Dsn> m_dsn;
    CrashReportOptions m_options;
    QMap<QString, QString> m_tags;
    bool m_enabled = false;
    bool m_ownsCrashHandler = false;
    QString m_reportPath;
    QPointer<QNetworkReply> m_reply;
    QString m_sendingEntry;
    qint64 m_notBeforeMs = 0;
    int m_networkFailures = 0;
    QTimer m_imagesTimer;
};
