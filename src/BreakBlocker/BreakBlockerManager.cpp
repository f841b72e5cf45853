#include "BreakBlocker/BreakBlockerManager.h"

#include "BreakBlocker/AppBlocker.h"
#include "BreakBlocker/FullscreenBlocker.h"
#include "BreakBlocker/MeetingBlocker.h"
#include "Configuration/ConfigurationManager.h"
#include "Platform/RunningApplications.h"
#include "Platform/ScreenList.h"
#include "Platform/ServiceTimer.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

namespace {
Q_LOGGING_CATEGORY(lcBlockerManager, "com.ostavel.app.BreakBlockerManager", QtInfoMsg)

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
    : BreakBlockerManager(configManager, std::move(probes), std::move(refreshTimer),
                          std::make_unique<QtServiceTimer>(), parent)
{
}

BreakBlockerManager::BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                                         std::unique_ptr<ServiceTimer> refreshTimer,
                                         std::unique_ptr<ServiceTimer> stallTimer, QObject* parent)
    : QObject(parent)
    , m_configManager(configManager)
    , m_probes(std::move(probes))
    , m_delayTimer(std::move(refreshTimer))
    , m_stallTimer(std::move(stallTimer))
    , m_pool(new QThreadPool)
{
    // Its own pool: stuck rounds never starve the global one, and never exceed this.
    m_pool->setMaxThreadCount(maxRoundThreads);
}

BreakBlockerManager::~BreakBlockerManager()
{
    // A stuck round may never return: waiting for it would hang the quit, so its pool is left
    // behind. A round that does return finds its continuation gone with this object.
    if (m_pool->waitForDone(0))
        delete m_pool;
}

void BreakBlockerManager::setRefreshDelay(std::chrono::milliseconds delay)
{
    m_refreshDelay = delay;
}

void BreakBlockerManager::waitForRounds()
{
    m_pool->waitForDone();
    QCoreApplication::processEvents();
}

void BreakBlockerManager::startRefreshing()
{
    stopRefreshing();
    m_refreshing = true;
    refresh();
}

void BreakBlockerManager::stopRefreshing()
{
    m_refreshing = false;
    m_waitingForThread = false;
    m_delayTimer->stop();
    m_stallTimer->stop();
}

void BreakBlockerManager::refresh()
{
    if (m_running >= maxRoundThreads) {
        m_waitingForThread = true;
        return;
    }
    const quint64 round = ++m_round;
    ++m_running;
    // The continuation runs on this object's thread and is dropped if the object is gone; the
    // task itself holds only the snapshot and the shared probes. An exception must end neither
    // the loop nor, rethrown by a future into the event loop, the application.
    QtConcurrent::run(m_pool, [snapshot = captureSnapshot(), probes = m_probes]() -> Outcome {
        try {
            return {computeBlockerState(snapshot, probes), {}};
        } catch (const std::exception& error) {
            return {{}, QString::fromLocal8Bit(error.what())};
        } catch (...) {
            return {{}, QStringLiteral("unknown exception")};
        }
    }).then(this, [this, round](QFuture<Outcome> future) {
        Outcome outcome;
        try {
            outcome = future.result();
        } catch (...) {
            outcome.failure = QStringLiteral("unknown exception");
        }
        finishRound(round, outcome);
    });
    m_stallTimer->start(stallLimit, [this, round] { roundStalled(round); });
}

void BreakBlockerManager::finishRound(quint64 round, const Outcome& outcome)
{
    --m_running;
    const bool current = round == m_round;
    if (current)
        m_stallTimer->stop();
    if (outcome.failure.isEmpty()) {
        store(round, outcome.result);
        if (current && std::exchange(m_troubled, false))
            qCInfo(lcBlockerManager, "Blocker rounds work again");
    } else {
        // Like a failed query inside a check: nothing found, so nothing holds a break back.
        store(round, {});
        reportTrouble(QStringLiteral("failed (%1)").arg(outcome.failure));
    }
    if (!m_refreshing)
        return;
    if (std::exchange(m_waitingForThread, false))
        refresh();
    else if (current)
        m_delayTimer->start(m_refreshDelay, [this] { refresh(); });
}

void BreakBlockerManager::roundStalled(quint64 round)
{
    if (!m_refreshing || round != m_round)
        return;
    // Its answer would be old by the time it came; until a round answers, nothing is held.
    store(round, {});
    reportTrouble(QStringLiteral("still running after %1 s").arg(stallLimit.count()));
    refresh();
}

void BreakBlockerManager::store(quint64 round, const BlockerResult& result)
{
    if (round <= m_storedRound)
        return;
    m_storedRound = round;
    m_cachedIsActive = result.isActive;
    m_cachedActiveNames = result.names;
}

void BreakBlockerManager::reportTrouble(const QString& what)
{
    if (std::exchange(m_troubled, true))
        return;
    qCWarning(lcBlockerManager, "A blocker round %s; the next round follows as usual",
              qPrintable(what));
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
