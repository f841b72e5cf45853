#include "BreakBlocker/BreakBlockerManager.h"

#include "BreakBlocker/AppBlocker.h"
#include "BreakBlocker/FullscreenBlocker.h"
#include "BreakBlocker/MeetingBlocker.h"
#include "Configuration/ConfigurationManager.h"
#include "Platform/RunningApplications.h"
#include "Platform/ScreenList.h"
#include "Platform/ServiceTimer.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {
QSet<QString> identifiers(const QList<AppEntry>& apps)
{
    QSet<QString> ids;
    ids.reserve(apps.size());
    for (const AppEntry& app : apps)
        ids.insert(app.bundleIdentifier);
    return ids;
}
} // namespace

BreakBlockerManager::BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                                         QObject* parent)
    : BreakBlockerManager(configManager, std::move(probes), std::make_unique<QtServiceTimer>(),
                          parent)
{
}

BreakBlockerManager::BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                                         std::unique_ptr<ServiceTimer> refreshTimer,
                                         QObject* parent)
    : QObject(parent)
    , m_configManager(configManager)
    , m_probes(std::move(probes))
    , m_delayTimer(std::move(refreshTimer))
{
}

BreakBlockerManager::~BreakBlockerManager() = default;

void BreakBlockerManager::setRefreshDelay(std::chrono::milliseconds delay)
{
    m_refreshDelay = delay;
}

void BreakBlockerManager::startRefreshing()
{
    stopRefreshing();
    m_refreshing = true;
    ++m_loop;
    refresh();
}

void BreakBlockerManager::stopRefreshing()
{
    m_refreshing = false;
    m_delayTimer->stop();
}

void BreakBlockerManager::refresh()
{
    const quint64 loop = m_loop;
    // The continuation runs on this object's thread and is dropped if the object is gone; the
    // task itself holds only the snapshot and the shared probes.
    QtConcurrent::run(QThreadPool::globalInstance(), &BreakBlockerManager::computeBlockerState,
                      captureSnapshot(), m_probes)
        .then(this, [this, loop](const BlockerResult& result) {
            m_cachedIsActive = result.isActive;
            m_cachedActiveNames = result.names;
            if (m_refreshing && loop == m_loop)
                m_delayTimer->start(m_refreshDelay, [this] { refresh(); });
        });
}

BlockerSnapshot BreakBlockerManager::captureSnapshot() const
{
    const Configuration& config = m_configManager.config();
    BlockerSnapshot snapshot;
    snapshot.fullscreenEnabled = config.breakBlockFullscreenEnabled;
    snapshot.meetingEnabled = config.breakBlockMeetingEnabled;
    snapshot.appsEnabled = config.breakBlockAppsEnabled;
    // A switched-off check makes no query at all, not even of the screens.
    if (snapshot.fullscreenEnabled && m_probes.screens)
        snapshot.screenFrames = m_probes.screens->screenFrames();
    snapshot.meetingBundleIDs = identifiers(config.meetingApps);
    snapshot.exclusionBundleIDs = identifiers(config.meetingExclusionApps);
    snapshot.blockerBundleIDs = identifiers(config.breakBlockerApps);
    return snapshot;
}

std::vector<RunningApplication>
BreakBlockerManager::uniqueApplications(const std::vector<RunningApplication>& processes)
{
    std::vector<RunningApplication> apps;
    QSet<QString> seen;
    for (const RunningApplication& process : processes) {
        if (process.bundleIdentifier.isEmpty() || seen.contains(process.bundleIdentifier))
            continue;
        seen.insert(process.bundleIdentifier);
        apps.push_back({process.bundleIdentifier, process.localizedName.isEmpty()
                                                      ? process.bundleIdentifier
                                                      : process.localizedName});
    }
    return apps;
}

BlockerResult BreakBlockerManager::computeBlockerState(const BlockerSnapshot& snapshot,
                                                       const BlockerProbes& probes)
{
    BlockerResult result;
    if (snapshot.fullscreenEnabled && probes.windows) {
        const BlockerCheckResult fullscreen =
            FullscreenBlocker::checkFullscreen(snapshot.screenFrames, *probes.windows);
        if (fullscreen.isBlocking)
            result.names << *fullscreen.appName;
    }

    // Resolving the running applications is the costly part of a round: it happens at most once,
    // and only when a check needs the answer.
    std::optional<std::vector<RunningApplication>> runningApps;
    auto resolveRunningApps = [&]() -> const std::vector<RunningApplication>& {
        if (!runningApps) {
            runningApps.emplace();
            if (probes.runningApplications)
                *runningApps =
                    uniqueApplications(probes.runningApplications->runningApplications());
        }
        return *runningApps;
    };

    if (snapshot.meetingEnabled && probes.camera && probes.microphone) {
        auto runningIDs = [&] {
            QSet<QString> running;
            for (const RunningApplication& app : resolveRunningApps())
                running.insert(app.bundleIdentifier);
            return running;
        };
        if (MeetingBlocker::checkMeeting(snapshot.meetingBundleIDs, snapshot.exclusionBundleIDs,
                                         runningIDs, *probes.camera, *probes.microphone))
            result.names << QStringLiteral("Meeting");
    }

    // An empty blocker list answers without looking at what runs.
    if (snapshot.appsEnabled) {
        static const std::vector<RunningApplication> none;
        const BlockerCheckResult apps = AppBlocker::checkApps(
            snapshot.blockerBundleIDs,
            snapshot.blockerBundleIDs.isEmpty() ? none : resolveRunningApps());
        if (apps.isBlocking)
            result.names << *apps.appName;
    }

    result.isActive = !result.names.isEmpty();
    return result;
}
