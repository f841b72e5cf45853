#include "Services/Update/NetworkAppcastFetcher.h"

#include "Platform/ServiceTimer.h"
#include "Services/HttpsClient.h"
#include "Services/Update/AppcastParser.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

NetworkAppcastFetcher::NetworkAppcastFetcher(QObject* parent)
    : NetworkAppcastFetcher(std::make_unique<HttpsClient>(), std::make_unique<QtServiceTimer>(),
                            defaultTimeout, defaultMaxBytes, parent)
{
}

NetworkAppcastFetcher::NetworkAppcastFetcher(std::unique_ptr<HttpsClient> client,
                                             std::unique_ptr<ServiceTimer> deadline,
                                             std::chrono::milliseconds timeout, qint64 maxBytes,
                                             QObject* parent)
    : QObject(parent)
    , m_client(std::move(client))
    , m_deadline(std::move(deadline))
    , m_timeout(timeout)
    , m_maxBytes(maxBytes)
{
}

NetworkAppcastFetcher::~NetworkAppcastFetcher()
{
    cancel();
}

void NetworkAppcastFetcher::fetch(const QUrl& feedUrl, Callback done)
{
    cancel();
    const quint64 generation = ++m_generation;
    m_done = std::move(done);
    m_body.clear();
    m_abortReason.clear();

    QNetworkRequest request(feedUrl);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Ostavel"));
    request.setRawHeader("Accept", "application/rss+xml, application/xml, text/xml");
    m_reply = m_client->get(request);
    if (!m_reply) {
        // Keep the promise of a later callback even when nothing was sent.
        QTimer::singleShot(0, this, [this, feedUrl, generation] {
            if (generation == m_generation && m_done)
                finish(
                    {std::nullopt,
                     QStringLiteral("The update feed address %1 is not a secure (HTTPS) address.")
                         .arg(feedUrl.toDisplayString())});
        });
        return;
    }
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxBytes)
            abortWith(QStringLiteral("The update feed is larger than the %1 KiB allowed.")
                          .arg(m_maxBytes / 1024));
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &NetworkAppcastFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &NetworkAppcastFetcher::onFinished);
    m_deadline->start(m_timeout, [this] {
        abortWith(QStringLiteral("The update feed did not answer within %1 seconds.")
                      .arg(m_timeout.count() / 1000.0));
    });
}

void NetworkAppcastFetcher::cancel()
{
    ++m_generation;
    m_deadline->stop();
    m_done = nullptr;
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void NetworkAppcastFetcher::onReadyRead()
{
    m_body += m_reply->readAll();
    if (m_body.size() > m_maxBytes)
        abortWith(QStringLiteral("The update feed is larger than the %1 KiB allowed.")
                      .arg(m_maxBytes / 1024));
}

void NetworkAppcastFetcher::abortWith(const QString& error)
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    m_abortReason = error;
    // abort() emits finished(), which reports the reason.
    m_reply->abort();
}

void NetworkAppcastFetcher::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    m_deadline->stop();

    if (!m_abortReason.isEmpty()) {
        finish({std::nullopt, m_abortReason});
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400)
            finish({std::nullopt,
                    QStringLiteral("The update feed answered with HTTP status %1.").arg(status)});
        else
            finish({std::nullopt, QStringLiteral("The update feed could not be reached: %1.")
                                      .arg(reply->errorString())});
        return;
    }
    m_body += reply->readAll();
    if (m_body.size() > m_maxBytes) {
        finish({std::nullopt, QStringLiteral("The update feed is larger than the %1 KiB allowed.")
                                  .arg(m_maxBytes / 1024)});
        return;
    }
    QString parseError;
    std::optional<Appcast> appcast = AppcastParser::parse(m_body, &parseError);
    m_body.clear();
    if (!appcast) {
        finish({std::nullopt,
                QStringLiteral("The update feed is not a valid appcast: %1.").arg(parseError)});
        return;
    }
    finish({std::move(appcast), {}});
}

void NetworkAppcastFetcher::finish(const AppcastFetchResult& result)
{
    Callback done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(result);
}
