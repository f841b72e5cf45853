// An eight-hour simulated day of engine ticks against fakes: typing spells, short pauses and
// absences, so every state is visited. Reports ticks per second.
//
//   ./build/bench/breakmanagerbench
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityMonitor.h"
#include "FakeBreakBlockerManager.h"
#include "FakeClock.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void EightHourDay(benchmark::State& state)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    FakeClock clock;
    FakeActivityMonitor activity;
    FakeBreakBlockerManager blockers;
    ConfigurationManager config;
    BreakManager engine(activity, config, &blockers, clock, dir.path() + "/session.log");

    constexpr int ticksPerDay = 8 * 3600;
    for (auto _ : state) {
        for (int second = 0; second < ticksPerDay; ++second) {
            const int phase = second % 3000;
            activity.idleSeconds = phase < 2300 ? 0 : double(phase - 2300);
            if (second % 7200 == 3600)
                blockers.block();
            else if (second % 7200 == 4200)
                blockers.clear();
            clock.advance(1);
            engine.tick();
        }
    }
    state.SetItemsProcessed(state.iterations() * ticksPerDay);
    state.counters["ticks/s"] =
        benchmark::Counter(double(state.iterations() * ticksPerDay), benchmark::Counter::kIsRate);
}
BENCHMARK(EightHourDay)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
