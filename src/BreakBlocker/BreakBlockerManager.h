#pragma once

#include "BreakBlocker/BlockerProbes.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "Platform/RunningApplication.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <QSet>
#include <QStringList>
#include <chrono>
#include <memory>
#include <vector>

class ConfigurationManager;
class QThreadPool;
class ServiceTimer;

// What one refresh evaluates: taken on the main thread, then handed to a background thread.
// Running applications are not in it: resolving them reads the process table, so the evaluation
// does it.
struct BlockerSnapshot {
    QList<QRect> screenFrames;
    bool fullscreenEnabled = false;
    bool meetingEnabled = false;
    bool appsEnabled = false;
    QSet<QString> meetingBundleIDs;
    QSet<QString> exclusionBundleIDs;
    QSet<QString> blockerBundleIDs;
};

// isActive is true exactly when names is not empty.
struct BlockerResult {
    bool isActive = false;
    QStringList names;
};

// Keeps the cached verdict of the break blockers for the engine's tick. While refreshing, each
// round takes a snapshot on the main thread, evaluates it on a thread pool of the manager's own,
// stores the result back on the main thread and waits 2 s before the next round (a fixed delay
// after each round, not a fixed rate). The cached values are plain values, replaced together;
// readers see a new result the next time they read. Main thread only.
//
// The rounds go on whatever one of them does. A round that throws counts as finding no blocker.
// A round still running after `stallLimit` counts as stuck: no blocker, and the next round starts
// beside it (its late answer is dropped). Rounds run on at most `maxRoundThreads` threads; with
// every one held by a stuck round, the next round starts when one returns. The first failure of
// an outage is logged once.
class BreakBlockerManager : public QObject, public BreakBlockerManagerProtocol {
    Q_OBJECT

public:
    // `configManager` must outlive the manager.
    BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                        QObject* parent = nullptr);
    // For tests: the pause between two rounds waits on `refreshTimer`.
    BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                        std::unique_ptr<ServiceTimer> refreshTimer, QObject* parent = nullptr);
    // For tests: a round's time limit waits on `stallTimer`.
    BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                        std::unique_ptr<ServiceTimer> refreshTimer,
                        std::unique_ptr<ServiceTimer> stallTimer, QObject* parent = nullptr);
    ~BreakBlockerManager() override;

    static constexpr std::chrono::seconds stallLimit{10};
    static constexpr int maxRoundThreads = 3;

    bool isActive() const override { return m_cachedIsActive; }
    QStringList activeBlockerNames() const override { return m_cachedActiveNames; }
    // Replaces a running loop; the first round starts at once.
    void startRefreshing() override;
    // Returns at once. A round already evaluating still stores its result; nothing follows it.
    void stopRefreshing() override;
    bool isRefreshing() const { return m_refreshing; }

    // For tests: the pause between two rounds (2 s).
    void setRefreshDelay(std::chrono::milliseconds delay);
    // For tests: waits until no round runs on a thread, then stores what came back.
    void waitForRounds();

    // The checks whose switch is on, in the order full screen, meeting, listed application.
    // Any thread; reads nothing but its arguments and the probes.
    static BlockerResult computeBlockerState(const BlockerSnapshot& snapshot,
                                             const BlockerProbes& probes);
    // One entry per identifier, the first process's name winning; processes without an
    // identifier are dropped, and an application without a name is named by its identifier.
    static std::vector<RunningApplication>
    uniqueApplications(const std::vector<RunningApplication>& processes);

private:
    // What a round's thread hands back: a result, or why there is none.
    struct Outcome {
        BlockerResult result;
        QString failure;
    };

    BlockerSnapshot captureSnapshot() const;
    void refresh();
    void finishRound(quint64 round, const Outcome& outcome);
    void roundStalled(quint64 round);
    void store(quint64 round, const BlockerResult& result);
    void reportTrouble(const QString& what);

    ConfigurationManager& m_configManager;
    BlockerProbes m_probes;
    bool m_cachedIsActive = false;
    QStringList m_cachedActiveNames;
    bool m_refreshing = false;
    std::chrono::milliseconds m_refreshDelay{std::chrono::seconds(2)};
    std::unique_ptr<ServiceTimer> m_delayTimer;
    std::unique_ptr<ServiceTimer> m_stallTimer;
    // Owned, but left behind at destruction while a stuck round still holds one of its threads.
    QThreadPool* m_pool;
    // Rounds whose thread has not returned yet.
    int m_running = 0;
    // The last round started, and the newest round whose answer (or lack of one) is stored: an
    // older answer never replaces a newer one.
    quint64 m_round = 0;
    quint64 m_storedRound = 0;
    // The next round is due but every thread is held by a stuck round.
    bool m_waitingForThread = false;
    // An outage is under way and has been logged.
    bool m_troubled = false;
};
