#include "Services/CrashReporting/CrashReportClient.h"

#include "Platform/BoundedFileReader.h"
#include "Platform/Clock.h"
#include "Platform/ServiceTimer.h"
#include "Services/CrashReporting/CrashHandler.h"
#include "Services/CrashReporting/CrashReport.h"
#include "Services/CrashReporting/Envelope.h"
#include "Services/CrashReporting/PrivateFiles.h"
#include "Services/HttpsClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QUuid>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCrashReporting, "com.ostavel.app.CrashReporting", QtInfoMsg)

using namespace std::chrono;

namespace {
QString newEventId()
{
    return QUuid::createUuid().toString(QUuid::Id128);
}
} // namespace

CrashReportClient::CrashReportClient(const Clock& clock, std::unique_ptr<HttpsClient> http,
                                     std::unique_ptr<ServiceTimer> retryTimer,
                                     QString storageDirectory, EnvelopeQueue::Limits limits,
                                     QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_http(std::move(http))
    , m_retryTimer(std::move(retryTimer))
    , m_crashDirectory(storageDirectory + QStringLiteral("/crash-reports"))
    , m_queue(m_crashDirectory + QStringLiteral("/queue"), clock.now().toMSecsSinceEpoch(), limits)
{
    m_imagesTimer.setInterval(imagesRefreshInterval);
    m_imagesTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_imagesTimer, &QTimer::timeout, this, [] { CrashHandler::refreshImages(); });
}

CrashReportClient::~CrashReportClient()
{
    close();
}

QString CrashReportClient::defaultStorageDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Ostavel");
}

qint64 CrashReportClient::nowMs() const
{
    return m_clock.now().toMSecsSinceEpoch();
}

bool CrashReportClient::start(const CrashReportOptions& options)
{
    close();
    restrictStorage();
    m_dsn = Dsn::parse(options.dsn);
    if (!m_dsn) {
        if (options.dsn.trimmed().isEmpty())
            qCInfo(lcCrashReporting, "Crash reporting is off: no DSN is configured");
        else
            qCWarning(lcCrashReporting, "Crash reporting is off: the DSN is not valid");
        return false;
    }
    if (!m_http->accepts(m_dsn->envelopeUrl())) {
        qCWarning(lcCrashReporting, "Crash reporting is off: the DSN is not an HTTPS address");
        m_dsn.reset();
        return false;
    }
    m_options = options;
    m_tags.clear();
    m_enabled = true;
    m_networkFailures = 0;
    m_notBeforeMs = 0;

    PrivateFiles::makeFolder(m_crashDirectory);
    queueCrashReports();
    m_reportPath =
        m_crashDirectory + QStringLiteral("/%1-%2.crash").arg(nowMs()).arg(qint64(::getpid()));
    m_ownsCrashHandler = CrashHandler::install(
        QFile::encodeName(m_reportPath),
        CrashReport::contextLines(m_options.release, m_options.environment, m_tags));
    if (m_ownsCrashHandler)
        m_imagesTimer.start();
    processQueue();
    return true;
}

void CrashReportClient::close()
{
    if (m_ownsCrashHandler) {
        CrashHandler::uninstall();
        m_ownsCrashHandler = false;
    }
    m_imagesTimer.stop();
    m_enabled = false;
    m_retryTimer->stop();
    if (QNetworkReply* reply = m_reply) {
        // The envelope stays queued; only this attempt is given up.
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_sendingEntry.clear();
}

void CrashReportClient::setTag(const QString& key, const QString& value)
{
    m_tags.insert(key, value);
    if (m_ownsCrashHandler) {
        CrashHandler::setContext(
            CrashReport::contextLines(m_options.release, m_options.environment, m_tags));
        CrashHandler::refreshImages();
    }
}

void CrashReportClient::queueCrashReports()
{
    const QDir directory(m_crashDirectory);
    for (const QString& name : directory.entryList({QStringLiteral("*.crash.tmp")}, QDir::Files))
        QFile::remove(directory.filePath(name));
    for (const QString& name : directory.entryList({QStringLiteral("*.crash")}, QDir::Files)) {
        const QString path = directory.filePath(name);
        // Reports are small; a huge file, a link or a FIFO is not one of ours.
        if (const std::optional<QByteArray> text =
                BoundedFileReader::read(path, {4 * 1024 * 1024 - 1})) {
            if (auto report = CrashReport::parse(*text)) {
                report->redactHome(QDir::homePath());
                const QString eventId = newEventId();
                if (m_queue.enqueue(
                        makeEnvelope(eventId, QStringLiteral("event"), report->toEvent(eventId)),
                        nowMs()))
                    qCInfo(lcCrashReporting, "Queued the report of an earlier crash (%s)",
                           qPrintable(CrashReport::signalName(report->signal)));
            }
        }
        QFile::remove(path);
    }
}

void CrashReportClient::restrictStorage() const
{
    PrivateFiles::restrictFolder(m_crashDirectory);
    PrivateFiles::restrictFolder(m_queue.directory());
}

void CrashReportClient::discardPending()
{
    restrictStorage();
    const QDir directory(m_crashDirectory);
    for (const QString& name : directory.entryList(
             {QStringLiteral("*.crash"), QStringLiteral("*.crash.tmp")}, QDir::Files)) {
        if (directory.filePath(name) != m_reportPath)
            QFile::remove(directory.filePath(name));
    }
    m_queue.clear();
}

bool CrashReportClient::captureFeedback(const UserFeedback& feedback)
{
    const QString message =
        feedback.message.trimmed().left(FeedbackSenderProtocol::maxFeedbackLength);
    if (!m_enabled || message.isEmpty())
        return false;
    QJsonObject context{{QStringLiteral("message"), message},
                        {QStringLiteral("source"), feedback.source}};
    if (!feedback.name.isEmpty())
        context.insert(QStringLiteral("name"), feedback.name);
    if (!feedback.email.isEmpty())
        context.insert(QStringLiteral("contact_email"), feedback.email);

    QJsonObject tags;
    for (auto it = m_tags.cbegin(); it != m_tags.cend(); ++it)
        tags.insert(it.key(), it.value());
    const QString eventId = newEventId();
    const QJsonObject event{
        {QStringLiteral("event_id"), eventId},
        {QStringLiteral("timestamp"),
         m_clock.now().toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))},
        {QStringLiteral("platform"), QStringLiteral("native")},
        {QStringLiteral("level"), QStringLiteral("info")},
        {QStringLiteral("release"), m_options.release},
        {QStringLiteral("environment"), m_options.environment},
        {QStringLiteral("tags"), tags},
        {QStringLiteral("contexts"), QJsonObject{{QStringLiteral("feedback"), context}}}};
    if (!m_queue.enqueue(makeEnvelope(eventId, QStringLiteral("feedback"), event), nowMs())) {
        qCWarning(lcCrashReporting, "Could not queue the feedback");
        return false;
    }
    processQueue();
    return true;
}

QByteArray CrashReportClient::makeEnvelope(const QString& eventId, const QString& itemType,
                                           const QJsonObject& payload) const
{
    Envelope envelope;
    envelope.header =
        QJsonObject{{QStringLiteral("event_id"), eventId}, {QStringLiteral("dsn"), m_dsn->text}};
    envelope.addJsonItem(itemType, payload);
    return envelope.serialize();
}

void CrashReportClient::processQueue()
{
    if (!m_enabled || m_reply)
        return;
    const qint64 now = nowMs();
    if (now < m_notBeforeMs) {
        m_retryTimer->start(milliseconds(m_notBeforeMs - now), [this] { processQueue(); });
        return;
    }
    for (const QString& entry : m_queue.entries()) {
        const QByteArray body = m_queue.read(entry);
        if (body.isEmpty()) {
            m_queue.remove(entry);
            continue;
        }
        QNetworkRequest request(m_dsn->envelopeUrl());
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-sentry-envelope"));
        request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Ostavel"));
        request.setRawHeader("X-Sentry-Auth",
                             m_dsn->authHeader(QStringLiteral("ostavel/") + m_options.release));
        request.setTransferTimeout(30000);
        m_reply = m_http->post(request, body);
        if (!m_reply)
            return;
        m_sendingEntry = entry;
        connect(m_reply, &QNetworkReply::finished, this, &CrashReportClient::onReplyFinished);
        return;
    }
}

void CrashReportClient::onReplyFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    const QString entry = std::exchange(m_sendingEntry, QString());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();

    if (status >= 200 && status < 300) {
        m_queue.remove(entry);
        m_networkFailures = 0;
        emit uploadFinished(status);
        processQueue();
        return;
    }
    if (status == 429) {
        const milliseconds delay = rateLimitDelay(*reply);
        qCInfo(lcCrashReporting, "Crash-reporting service is rate limiting; waiting %lld s",
               qint64(duration_cast<seconds>(delay).count()));
        emit uploadFinished(status);
        retryAfter(delay);
        return;
    }
    if (status == 0 || status == 408 || status >= 500) {
        int failures = 0;
        if (status == 0) {
            // Offline or unreachable: not the envelope's fault, so it does not count against it.
            failures = ++m_networkFailures;
        } else {
            const QString renamed = m_queue.recordAttempt(entry);
            failures = EnvelopeQueue::attempts(renamed);
            if (renamed.isEmpty() || failures >= maxServerAttempts) {
                qCWarning(lcCrashReporting,
                          "Dropping an envelope after %d failed attempts (HTTP %d)", failures,
                          status);
                m_queue.remove(renamed.isEmpty() ? entry : renamed);
                emit uploadFinished(status);
                processQueue();
                return;
            }
        }
        emit uploadFinished(status);
        retryAfter(backoff(failures));
        return;
    }
    qCWarning(lcCrashReporting, "Crash-reporting service refused an envelope (HTTP %d); dropped",
              status);
    m_queue.remove(entry);
    emit uploadFinished(status);
    processQueue();
}

void CrashReportClient::retryAfter(milliseconds delay)
{
    m_notBeforeMs = nowMs() + delay.count();
    if (m_enabled)
        m_retryTimer->start(delay, [this] { processQueue(); });
}

milliseconds CrashReportClient::backoff(int failures)
{
    const int doublings = std::clamp(failures - 1, 0, 20);
    const milliseconds delay = firstRetryDelay * (qint64(1) << doublings);
    return std::min<milliseconds>(delay, maxRetryDelay);
}

milliseconds CrashReportClient::rateLimitDelay(const QNetworkReply& reply) const
{
    std::optional<milliseconds> delay;
    const QByteArray retryAfterHeader = reply.rawHeader("Retry-After").trimmed();
    bool ok = false;
    const double secondsValue = retryAfterHeader.toDouble(&ok);
    if (ok && secondsValue >= 0) {
        delay = milliseconds(qint64(secondsValue * 1000));
    } else if (!retryAfterHeader.isEmpty()) {
        // An HTTP date ends in "GMT", which the RFC 2822 parser does not take as a zone.
        QString text = QString::fromLatin1(retryAfterHeader);
        if (text.endsWith(QLatin1String(" GMT")))
            text = text.chopped(3) + QLatin1String("+0000");
        const QDateTime date = QDateTime::fromString(text, Qt::RFC2822Date);
        if (date.isValid())
            delay = milliseconds(std::max<qint64>(0, date.toMSecsSinceEpoch() - nowMs()));
    }
    if (!delay) {
        // "retry_after:categories:scope…, …": wait for the longest.
        for (const QByteArray& limit : reply.rawHeader("X-Sentry-Rate-Limits").split(',')) {
            const double value = limit.trimmed().split(':').value(0).toDouble(&ok);
            if (ok && value >= 0)
                delay =
                    std::max(delay.value_or(milliseconds(0)), milliseconds(qint64(value * 1000)));
        }
    }
    return std::clamp<milliseconds>(delay.value_or(defaultRateLimitDelay), milliseconds(1000),
                                    maxRateLimitDelay);
}
