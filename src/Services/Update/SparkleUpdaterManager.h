#pragma once

#include "Services/Update/UpdateChannel.h"
#include "Services/Update/UpdateCheckResult.h"

#include <QLoggingCategory>
#include <QObject>
#include <chrono>
#include <memory>

class AppcastFetcher;
class ServiceTimer;
struct AppcastFetchResult;

Q_DECLARE_LOGGING_CATEGORY(lcSparkleUpdater)

// Owns the update checks: the chosen channel (persisted under StoreKeys::updateChannel),
// whether a manual check may start, a background check 5 s after creation and then every
// 10,800 s, and manual checks. It shows nothing itself: a window listens to checkStarted() and
// checkFinished(). A background check reports only an update worth offering (not the skipped
// version); a manual check reports every outcome, and a failure is never reported as up to date.
//
// In a "dev" build nothing is ever checked and canCheckForUpdates stays false. With no update
// host configured the manager runs as if no feed answered. Main thread only.
class SparkleUpdaterManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(UpdateChannel currentChannel READ currentChannel WRITE setCurrentChannel NOTIFY
                   currentChannelChanged)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    static constexpr std::chrono::milliseconds firstCheckDelay{5000};
    static constexpr std::chrono::milliseconds checkInterval{10800 * 1000};
    static constexpr std::chrono::milliseconds channelChangeDelay{1000};

    struct Environment {
        QString appVersion;
        QString updateHost;
        std::unique_ptr<AppcastFetcher> fetcher;
        std::unique_ptr<ServiceTimer> timer;
    };
    // The build's version and update host, the network fetcher and a QTimer.
    static Environment productionEnvironment();

    explicit SparkleUpdaterManager(QObject* parent = nullptr);
    explicit SparkleUpdaterManager(Environment environment, QObject* parent = nullptr);
    ~SparkleUpdaterManager() override;

    UpdateChannel currentChannel() const { return m_channel; }
    void setCurrentChannel(UpdateChannel channel);
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    // A user-initiated check; does nothing in a "dev" build or while a check runs.
    void checkForUpdates();

    // The current channel's feed; invalid (empty string) when no update host is configured.
    QUrl feedURL() const;
    QString feedURLString() const { return feedURL().toString(QUrl::FullyEncoded); }

    QString appVersion() const { return m_appVersion; }
    bool isRunning() const { return m_running; }

    // "Skip this version": background checks stay quiet about it from now on.
    void skipVersion(const QString& version);
    QString skippedVersion() const;

signals:
    void currentChannelChanged(UpdateChannel channel);
    void canCheckForUpdatesChanged(bool canCheck);
    // A manual check began.
    void checkStarted();
    void checkFinished(const UpdateCheckResult& result);

private:
    void onScheduledCheck();
    void runCheck(bool userInitiated);
    void onFetched(const AppcastFetchResult& fetched, bool userInitiated);
    void setCanCheckForUpdates(bool canCheck);

    QString m_appVersion;
    QString m_updateHost;
    std::unique_ptr<AppcastFetcher> m_fetcher;
    std::unique_ptr<ServiceTimer> m_timer;
    UpdateChannel m_channel = UpdateChannel::stable;
    bool m_canCheckForUpdates = false;
    bool m_running = false;
    bool m_checking = false;
};
