#include "Services/CrashReporting/SentryManager.h"

#include "Configuration/AppVersion.h"
#include "Platform/Clock.h"
#include "Platform/ServiceTimer.h"
#include "Services/HttpsClient.h"

namespace {
std::unique_ptr<CrashReportClient> productionClient(const Clock& clock)
{
    return std::make_unique<CrashReportClient>(clock, std::make_unique<HttpsClient>(),
                                               std::make_unique<QtServiceTimer>(),
                                               CrashReportClient::defaultStorageDirectory());
}
} // namespace

SentryManager::SentryManager(QObject* parent)
    : QObject(parent)
    , m_ownClock(std::make_unique<SystemClock>())
    , m_client(productionClient(*m_ownClock))
    , m_dsn(QStringLiteral(OSTAVEL_SENTRY_DSN))
    , m_appVersion(AppVersion::current())
{
}

SentryManager::SentryManager(std::unique_ptr<CrashReportClient> client, QString dsn,
                             QString appVersion, QObject* parent)
    : QObject(parent)
    , m_client(std::move(client))
    , m_dsn(std::move(dsn))
    , m_appVersion(std::move(appVersion))
{
}

SentryManager::~SentryManager() = default;

CrashReportOptions SentryManager::options(const QString& dsn, const QString& appVersion)
{
    const bool dev = appVersion == QLatin1String("dev");
    return {dsn, appVersion, dev ? QStringLiteral("development") : QStringLiteral("production")};
}

bool SentryManager::start()
{
    m_unavailable = !m_client->start(options(m_dsn, m_appVersion));
    return !m_unavailable;
}

void SentryManager::setUpdateChannel(UpdateChannel channel)
{
    m_client->setTag(updateChannelTag, updateChannelRawValue(channel));
}

bool SentryManager::isEnabled() const
{
    return m_client->isEnabled();
}

void SentryManager::close()
{
    m_client->close();
    m_client->discardPending();
}

void SentryManager::discardPendingReports()
{
    m_client->discardPending();
}

bool SentryManager::captureFeedback(const QString& message, const QString& name,
                                    const QString& email)
{
    return m_client->captureFeedback({message, name, email, QStringLiteral("custom")});
}
