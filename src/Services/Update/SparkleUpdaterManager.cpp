#include "Services/Update/SparkleUpdaterManager.h"

#include "Configuration/AppVersion.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "Platform/ServiceTimer.h"
#include "Services/Update/AppcastParser.h"
#include "Services/Update/NetworkAppcastFetcher.h"

Q_LOGGING_CATEGORY(lcSparkleUpdater, "com.ostavel.app.SparkleUpdater", QtInfoMsg)

namespace {
bool isHttps(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}
} // namespace

SparkleUpdaterManager::Environment SparkleUpdaterManager::productionEnvironment()
{
    return {AppVersion::current(), QStringLiteral(OSTAVEL_UPDATE_HOST),
            std::make_unique<NetworkAppcastFetcher>(), std::make_unique<QtServiceTimer>()};
}

SparkleUpdaterManager::SparkleUpdaterManager(QObject* parent)
    : SparkleUpdaterManager(productionEnvironment(), parent)
{
}

SparkleUpdaterManager::SparkleUpdaterManager(Environment environment, QObject* parent)
    : QObject(parent)
    , m_appVersion(std::move(environment.appVersion))
    , m_updateHost(std::move(environment.updateHost))
    , m_fetcher(std::move(environment.fetcher))
    , m_timer(std::move(environment.timer))
{
    // Only exactly "beta" selects beta; nothing is written back until the user picks a channel.
    if (UserDefaults::value(StoreKeys::updateChannel).toString() == QLatin1String("beta"))
        m_channel = UpdateChannel::beta;

    if (m_appVersion == QLatin1String("dev")) {
        qCInfo(lcSparkleUpdater, "Dev build — Sparkle updater disabled");
        return;
    }
    m_running = true;
    m_canCheckForUpdates = true;
    qCInfo(lcSparkleUpdater, "Sparkle updater started on %s channel",
           qPrintable(updateChannelRawValue(m_channel)));
    m_timer->start(firstCheckDelay, [this] { onScheduledCheck(); });
}

SparkleUpdaterManager::~SparkleUpdaterManager()
{
    // The fetcher's and timer's callbacks point at this object.
    if (m_fetcher)
        m_fetcher->cancel();
    if (m_timer)
        m_timer->stop();
}

void SparkleUpdaterManager::setCurrentChannel(UpdateChannel channel)
{
    if (channel == m_channel)
        return;
    m_channel = channel;
    UserDefaults::setValue(StoreKeys::updateChannel, updateChannelRawValue(channel));
    qCInfo(lcSparkleUpdater, "Update channel changed to %s",
           qPrintable(updateChannelRawValue(channel)));
    emit currentChannelChanged(channel);
    if (m_running)
        m_timer->start(channelChangeDelay, [this] { onScheduledCheck(); });
}

QUrl SparkleUpdaterManager::feedURL() const
{
    return updateChannelFeedURL(m_channel, m_updateHost);
}

void SparkleUpdaterManager::checkForUpdates()
{
    runCheck(true);
}

void SparkleUpdaterManager::skipVersion(const QString& version)
{
    UserDefaults::setValue(StoreKeys::skippedVersion, version);
}

QString SparkleUpdaterManager::skippedVersion() const
{
    return UserDefaults::value(StoreKeys::skippedVersion).toString();
}

void SparkleUpdaterManager::onScheduledCheck()
{
    if (m_checking) {
        // A manual check is running; try again shortly rather than lose this turn.
        m_timer->start(channelChangeDelay, [this] { onScheduledCheck(); });
        return;
    }
    m_timer->start(checkInterval, [this] { onScheduledCheck(); });
    runCheck(false);
}

void SparkleUpdaterManager::runCheck(bool userInitiated)
{
    if (!m_running || m_checking)
        return;
    const QUrl feed = feedURL();
    if (!feed.isValid()) {
        if (userInitiated) {
            emit checkStarted();
            UpdateCheckResult result;
            result.userInitiated = true;
            result.currentVersion = m_appVersion;
            result.errorMessage = QStringLiteral("No update feed is configured for this build.");
            emit checkFinished(result);
        }
        return;
    }
    m_checking = true;
    setCanCheckForUpdates(false);
    if (userInitiated)
        emit checkStarted();
    m_fetcher->fetch(feed, [this, userInitiated](const AppcastFetchResult& fetched) {
        onFetched(fetched, userInitiated);
    });
}

void SparkleUpdaterManager::onFetched(const AppcastFetchResult& fetched, bool userInitiated)
{
    m_checking = false;
    setCanCheckForUpdates(true);

    UpdateCheckResult result;
    result.userInitiated = userInitiated;
    result.currentVersion = m_appVersion;
    if (!fetched.appcast) {
        qCDebug(lcSparkleUpdater, "Update check failed: %s", qPrintable(fetched.error));
        result.errorMessage = fetched.error;
        if (userInitiated)
            emit checkFinished(result);
        return;
    }
    const std::optional<AppcastItem> item = AppcastParser::newestUpdate(
        *fetched.appcast, m_appVersion, updateChannelRawValue(m_channel));
    if (!item) {
        result.outcome = UpdateCheckResult::Outcome::upToDate;
        if (userInitiated)
            emit checkFinished(result);
        return;
    }
    const bool enclosureSafe = item->enclosureUrl.isEmpty() || isHttps(item->enclosureUrl);
    const bool linkSafe = item->link.isEmpty() || isHttps(item->link);
    if (!enclosureSafe || !linkSafe || !isHttps(item->downloadPage())) {
        qCDebug(lcSparkleUpdater, "Refused update %s: its download address is not HTTPS",
                qPrintable(item->version));
        result.errorMessage =
            QStringLiteral("Version %1 is available, but the update feed offers it from an "
                           "address that is not secure (HTTPS), so it was refused.")
                .arg(item->displayVersion());
        if (userInitiated)
            emit checkFinished(result);
        return;
    }
    if (!userInitiated && item->version == skippedVersion())
        return;

    result.outcome = UpdateCheckResult::Outcome::updateAvailable;
    result.offer.version = item->version;
    result.offer.displayVersion = item->displayVersion();
    result.offer.title = item->title;
    result.offer.notes = item->description;
    if (isHttps(item->releaseNotesLink))
        result.offer.releaseNotesLink = item->releaseNotesLink;
    result.offer.downloadPage = item->downloadPage();
    emit checkFinished(result);
}

void SparkleUpdaterManager::setCanCheckForUpdates(bool canCheck)
{
    if (canCheck == m_canCheckForUpdates)
        return;
    m_canCheckForUpdates = canCheck;
    emit canCheckForUpdatesChanged(canCheck);
}
