// The blocker refresh runs every 2 s all day. Measures the main thread's share of one refresh
// (snapshot, hand-off, storing the result) and the background CPU time of one full evaluation
// with all three checks on, on the Linux probes.
//
// Run inside a desktop session for the real window list and sound server, e.g.
//   bash tests/support/with-session.sh --services=wm,pulse build/bench/blockerbench
// Processes are topped up with `sleep` children to OSTAVEL_BENCH_PROCESSES (default 500) and
// stopped afterwards.
#include "BreakBlocker/BreakBlockerManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/MakeLinuxBreakBlockerManager.h"
#include "Platform/Linux/ProcCameraProbe.h"
#include "Platform/Linux/ProcRunningApplications.h"
#include "Platform/Linux/PulseMicrophoneProbe.h"
#include "Platform/Linux/QtScreenList.h"
#include "Platform/Linux/X11WindowList.h"
#include "Platform/WindowList.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThreadPool>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {
int countProcesses(int* fds = nullptr)
{
    int processes = 0;
    int total = 0;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        name.toInt(&numeric);
        if (!numeric)
            continue;
        ++processes;
        total += int(QDir(QStringLiteral("/proc/%1/fd").arg(name))
                         .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                         .size());
    }
    if (fds)
        *fds = total;
    return processes;
}

// Brings the process table up to `target` with sleeping children; stops them on destruction.
class ProcessPadding {
public:
    explicit ProcessPadding(int target)
    {
        char program[] = "sleep";
        char seconds[] = "3600";
        char* argv[] = {program, seconds, nullptr};
        for (int missing = target - countProcesses(); missing > 0; --missing) {
            pid_t pid = 0;
            if (posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) != 0)
                break;
            m_children.push_back(pid);
        }
    }
    ~ProcessPadding()
    {
        for (pid_t pid : m_children)
            ::kill(pid, SIGTERM);
        for (pid_t pid : m_children)
            ::waitpid(pid, nullptr, 0);
    }
    ProcessPadding(const ProcessPadding&) = delete;
    ProcessPadding& operator=(const ProcessPadding&) = delete;

private:
    std::vector<pid_t> m_children;
};

Configuration everythingOn()
{
    Configuration config;
    config.breakBlockFullscreenEnabled = true;
    config.breakBlockMeetingEnabled = true;
    config.breakBlockAppsEnabled = true;
    config.breakBlockerApps = {{QStringLiteral("org.blender.Blender"), QStringLiteral("Blender")},
                               {QStringLiteral("org.videolan.VLC"), QStringLiteral("VLC")}};
    return config;
}

BlockerSnapshot snapshotOf(const Configuration& config)
{
    auto ids = [](const QList<AppEntry>& apps) {
        QSet<QString> set;
        for (const AppEntry& app : apps)
            set.insert(app.bundleIdentifier);
        return set;
    };
    BlockerSnapshot snapshot;
    snapshot.screenFrames = QtScreenList().screenFrames();
    snapshot.fullscreenEnabled = config.breakBlockFullscreenEnabled;
    snapshot.meetingEnabled = config.breakBlockMeetingEnabled;
    snapshot.appsEnabled = config.breakBlockAppsEnabled;
    snapshot.meetingBundleIDs = ids(config.meetingApps);
    snapshot.exclusionBundleIDs = ids(config.meetingExclusionApps);
    snapshot.blockerBundleIDs = ids(config.breakBlockerApps);
    return snapshot;
}

// With a video device under `devRoot` the camera check must scan every open file whenever a
// device was opened or closed; without one it never scans.
BlockerProbes linuxProbes(const QByteArray& devRoot)
{
    auto catalogue = std::make_shared<DesktopEntryCatalogue>();
    catalogue->entries(); // built once per process in the application too
    BlockerProbes probes;
    probes.screens = std::make_shared<QtScreenList>();
    probes.windows = std::make_shared<X11WindowList>();
    probes.camera = std::make_shared<ProcCameraProbe>(QByteArrayLiteral("/proc"), devRoot);
    probes.microphone = std::make_shared<PulseMicrophoneProbe>();
    probes.runningApplications = std::make_shared<ProcRunningApplications>(catalogue);
    return probes;
}

void evaluation(benchmark::State& state, const QByteArray& devRoot)
{
    const BlockerSnapshot snapshot = snapshotOf(everythingOn());
    const BlockerProbes probes = linuxProbes(devRoot);
    BlockerResult result;
    for (auto _ : state) {
        result = BreakBlockerManager::computeBlockerState(snapshot, probes);
        benchmark::DoNotOptimize(result);
    }
    state.counters["windows"] = double(probes.windows->windows().size());
    state.counters["apps"] = double(
        BreakBlockerManager::uniqueApplications(probes.runningApplications->runningApplications())
            .size());
}

// Steady state, as every 2 s all day: nothing opened or closed a camera since the last round.
void BM_EvaluationAllOn_NoVideoDevice(benchmark::State& state)
{
    evaluation(state, QByteArrayLiteral("/dev"));
}
BENCHMARK(BM_EvaluationAllOn_NoVideoDevice)->Unit(benchmark::kMillisecond);

void BM_EvaluationAllOn_VideoDevicePresent(benchmark::State& state)
{
    QTemporaryDir dev;
    QFile(dev.path() + QStringLiteral("/video0")).open(QIODevice::WriteOnly);
    evaluation(state, QFile::encodeName(dev.path()));
}
BENCHMARK(BM_EvaluationAllOn_VideoDevicePresent)->Unit(benchmark::kMillisecond);

// The first evaluation on new probes (and any after a camera was opened or closed): every
// process is read and every open file of this user's processes looked at.
void BM_EvaluationAllOn_Cold(benchmark::State& state)
{
    QTemporaryDir dev;
    QFile(dev.path() + QStringLiteral("/video0")).open(QIODevice::WriteOnly);
    const BlockerSnapshot snapshot = snapshotOf(everythingOn());
    for (auto _ : state) {
        state.PauseTiming();
        const BlockerProbes probes = linuxProbes(QFile::encodeName(dev.path()));
        state.ResumeTiming();
        benchmark::DoNotOptimize(BreakBlockerManager::computeBlockerState(snapshot, probes));
    }
}
BENCHMARK(BM_EvaluationAllOn_Cold)->Unit(benchmark::kMillisecond);

// Main-thread time only: the snapshot and hand-off in startRefreshing(), then the stored result.
// The wait for the background evaluation in between is not counted.
void BM_RefreshMainThread(benchmark::State& state)
{
    ConfigurationManager configManager;
    configManager.setConfig(everythingOn());
    std::unique_ptr<BreakBlockerManager> manager = makeLinuxBreakBlockerManager(configManager);
    // The first round builds the catalogue in the background; keep it out of the figures.
    manager->startRefreshing();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    manager->stopRefreshing();

    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto start = Clock::now();
        manager->startRefreshing();
        const auto handedOff = Clock::now();
        QThreadPool::globalInstance()->waitForDone();
        const auto evaluated = Clock::now();
        QCoreApplication::processEvents();
        const auto stored = Clock::now();
        manager->stopRefreshing();
        state.SetIterationTime(
            std::chrono::duration<double>((handedOff - start) + (stored - evaluated)).count());
    }
}
BENCHMARK(BM_RefreshMainThread)->UseManualTime()->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    // Settings written here must not reach the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/cache")));
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Ostavel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostavel"));

    const int target = qEnvironmentVariableIntValue("OSTAVEL_BENCH_PROCESSES") > 0
                           ? qEnvironmentVariableIntValue("OSTAVEL_BENCH_PROCESSES")
                           : 500;
    ProcessPadding padding(target);
    int fds = 0;
    const int processes = countProcesses(&fds);
    benchmark::AddCustomContext("processes", std::to_string(processes));
    benchmark::AddCustomContext("open fds", std::to_string(fds));
    benchmark::AddCustomContext("desktop entries",
                                std::to_string(DesktopEntryCatalogue().entries().size()));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
