#pragma once

#include "Services/Update/AppcastFetcher.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <memory>

class HttpsClient;
class QNetworkReply;
class ServiceTimer;

// Fetches an appcast over HTTPS with a size cap and an overall deadline (a slow server that keeps
// dribbling bytes still times out), then parses it. Main thread only.
class NetworkAppcastFetcher final : public QObject, public AppcastFetcher {
    Q_OBJECT

public:
    static constexpr qint64 defaultMaxBytes = 2 * 1024 * 1024;
    static constexpr std::chrono::milliseconds defaultTimeout{30000};

    // Production: a plain HttpsClient and a QTimer deadline.
    explicit NetworkAppcastFetcher(QObject* parent = nullptr);
    NetworkAppcastFetcher(std::unique_ptr<HttpsClient> client,
                          std::unique_ptr<ServiceTimer> deadline,
                          std::chrono::milliseconds timeout = defaultTimeout,
                          qint64 maxBytes = defaultMaxBytes, QObject* parent = nullptr);
    ~NetworkAppcastFetcher() override;

    void fetch(const QUrl& feedUrl, Callback done) override;
    void cancel() override;

private:
    void onReadyRead();
    void onFinished();
    void finish(const AppcastFetchResult& result);
    void abortWith(const QString& error);

    std::unique_ptr<HttpsClient> m_client;
    std::unique_ptr<ServiceTimer> m_deadline;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBytes;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QString m_abortReason;
    Callback m_done;
    quint64 m_generation = 0;
};
