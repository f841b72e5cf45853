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
// round takes a snapshot on the main thread, evaluates it on the global thread pool, stores the
// result back on the main thread and waits 2 s before the next round (a fixed delay after each
// round, not a fixed rate). The cached values are plain values, replaced together; readers see a
// new result the next time they read. Main thread only.
class BreakBlockerManager : public QObject, public BreakBlockerManagerProtocol {
    Q_OBJECT

public:
    // `configManager` must outlive the manager.
    BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                        QObject* parent = nullptr);
    // For tests: the pause between two rounds waits on `refreshTimer`.
    BreakBlockerManager(ConfigurationManager& configManager, BlockerProbes probes,
                        std::unique_ptr<ServiceTimer> refreshTimer, QObject* parent = nullptr);
    ~BreakBlockerManager() override;

    bool isActive() const override { return m_cachedIsActive; }
    QStringList activeBlockerNames() const override { return m_cachedActiveNames; }
    // Replaces a running loop; the first round starts at once.
    void startRefreshing() override;
    // Returns at once. A round already evaluating still stores its result; nothing follows it.
    void stopRefreshing() override;
    bool isRefreshing() const { return m_refreshing; }

    // For tests: the pause between two rounds (2 s).
    void setRefreshDelay(std::chrono::milliseconds delay);

    // The checks whose switch is on, in the order full screen, meeting, listed application.
    // Any thread; reads nothing but its arguments and the probes.
    static BlockerResult computeBlockerState(const BlockerSnapshot& snapshot,
                                             const BlockerProbes& probes);
    // One entry per identifier, the first process's name winning; processes without an
    // identifier are dropped, and an application without a name is named by its identifier.
    static std::vector<RunningApplication>
    uniqueApplications(const std::vector<RunningApplication>& processes);

private:
    BlockerSnapshot captureSnapshot() const;
    void refresh();

    ConfigurationManager& m_configManager;
    BlockerProbes m_probes;
    bool m_cachedIsActive = false;
    QStringList m_cachedActiveNames;
    bool m_refreshing = false;
    // Identifies the current loop, so that a round of a replaced loop does not schedule more.
    quint64 m_loop = 0;
    std::chrono::milliseconds m_refreshDelay{std::chrono::seconds(2)};
    std::unique_ptr<ServiceTimer> m_delayTimer;
};
