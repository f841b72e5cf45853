#pragma once

#include "Services/CrashReporting/CrashReportClient.h"
#include "Services/CrashReporting/CrashReportingProtocol.h"
#include "Services/CrashReporting/FeedbackSenderProtocol.h"
#include "Services/Update/UpdateChannel.h"

#include <QObject>
#include <memory>

class Clock;

// Crash reporting as the app drives it: start with the build's DSN, the app's version as the
// release and the matching environment; tag reports with the update channel; close when the user
// withdraws consent; carry the user's feedback. The app creates one and keeps it for the whole
// process: the delegate drives it as its crash reporting, the feedback window sends through it.
// Main thread only.
class SentryManager : public QObject, public CrashReportingProtocol, public FeedbackSenderProtocol {
    Q_OBJECT

public:
    static inline const QString updateChannelTag = QStringLiteral("update-channel");

    // Production: the build's DSN and version, the real network, $XDG_DATA_HOME/Ostavel.
    explicit SentryManager(QObject* parent = nullptr);
    SentryManager(std::unique_ptr<CrashReportClient> client, QString dsn, QString appVersion,
                  QObject* parent = nullptr);
    ~SentryManager() override;

    // Release is the version text unchanged; the environment is "development" only for exactly
    // "dev", else "production".
    static CrashReportOptions options(const QString& dsn, const QString& appVersion);

    // False (and reporting stays off) when the DSN is missing or invalid. Queues the report of an
    // earlier crash, if any.
    bool start() override;
    // The last start() found no usable DSN: reporting cannot run in this build, whatever the
    // user's consent.
    bool isUnavailable() const override { return m_unavailable; }
    void setUpdateChannel(UpdateChannel channel) override;
    bool isEnabled() const override;
    // Consent withdrawn: stops reporting and deletes crash reports and queued envelopes unsent.
    void close() override;
    // For a launch with consent off: deletes what an earlier run left behind.
    void discardPendingReports() override;
    FeedbackSenderProtocol* feedbackSender() override { return this; }

    // Sent as feedback of the "custom" source.
    bool captureFeedback(const QString& message, const QString& name,
                         const QString& email) override;

    CrashReportClient& client() { return *m_client; }

private:
    std::unique_ptr<Clock> m_ownClock;
    std::unique_ptr<CrashReportClient> m_client;
    QString m_dsn;
    QString m_appVersion;
    bool m_unavailable = false;
};
