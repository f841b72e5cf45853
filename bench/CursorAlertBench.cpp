// The cursor card's cost: how often the pointer is read and how much CPU the process uses while
// the card is shown, and the same once it is hidden (the pointer must not be read at all then).
// Needs an X display and something else moving the pointer: bench/cursor-alert-cost.sh runs it
// in a private Xvfb session with xdotool doing that.
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityMonitor.h"
#include "FakeClock.h"
#include "Windows/CursorAlertWindowController.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Rig {
    FakeClock clock;
    FakeActivityMonitor activity;
    ConfigurationManager config;
    BreakManager engine{activity, config, nullptr, clock};
    int polls = 0;
    CursorAlertWindowController controller{engine, nullptr, [this] {
                                               ++polls;
                                               return QCursor::pos();
                                           }};
};

// A plain event loop: QTest::qWait would wake every 10 ms and cost more than the card.
void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(benchmark::State& state, bool shown)
{
    Rig rig;
    const double seconds = 5;
    for (auto _ : state) {
        rig.controller.show();
        if (!shown) {
            runFor(0.5);
            rig.controller.dismiss();
        }
        rig.polls = 0;
        const double cpuBefore = cpuSeconds();
        runFor(seconds);
        state.counters["cpu_percent"] = 100 * (cpuSeconds() - cpuBefore) / seconds;
        state.counters["pointer_reads_per_s"] = rig.polls / seconds;
        state.counters["poll_timer_active"] = rig.controller.isTracking() ? 1 : 0;
        rig.controller.dismiss();
    }
}

void BM_CursorAlertShown(benchmark::State& state)
{
    measure(state, true);
}
void BM_CursorAlertHidden(benchmark::State& state)
{
    measure(state, false);
}
BENCHMARK(BM_CursorAlertShown)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_CursorAlertHidden)->Iterations(1)->Unit(benchmark::kSecond);

void BM_CardPosition(benchmark::State& state)
{
    const QList<CursorAlertWindowController::ScreenArea> screens = {
        {{0, 0, 1280, 800}, {0, 24, 1280, 776}}, {{1280, 0, 1024, 768}, {1280, 0, 1024, 768}}};
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % 2304;
        benchmark::DoNotOptimize(CursorAlertWindowController::cardPosition(
            QPoint(x, 400), QSize(300, 60), screens, screens.first()));
    }
}
BENCHMARK(BM_CardPosition);
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
