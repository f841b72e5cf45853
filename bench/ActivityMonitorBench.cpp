// The cost of one idle-time read, which the break engine's tick pays once or twice a second on
// the main thread: the X11 extension query and a D-Bus call to an idle-monitor service (here a
// fake one in this process, answering from its own thread and bus connection).
//
// It needs an X display and a session bus of its own, so run it inside a private session:
//   bash tests/support/with-session.sh --services=x11,dbus build/bench/activitymonitorbench
// Both reads are round trips that mostly wait, so the figures are wall-clock time.

#include "FakeDBusService.h"
#include "Platform/Linux/MutterIdleTimeSource.h"
#include "Platform/Linux/X11IdleTimeSource.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {
void X11IdleRead(benchmark::State& state)
{
    std::unique_ptr<X11IdleTimeSource> source = X11IdleTimeSource::open();
    if (!source) {
        state.SkipWithError("no X display with MIT-SCREEN-SAVER (run under with-session.sh)");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(source->idleSeconds());
}
BENCHMARK(X11IdleRead)->UseRealTime();

void DBusIdleRead(benchmark::State& state)
{
    if (!QDBusConnection::sessionBus().isConnected()) {
        state.SkipWithError("no session bus (run under with-session.sh)");
        return;
    }
    const QString name = QStringLiteral("org.gnome.Mutter.IdleMonitor");
    FakeDBusService mutter(name, QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"), name,
                           QStringLiteral("GetIdletime"), QVariant::fromValue<qulonglong>(1500));
    MutterIdleTimeSource source(QDBusConnection::sessionBus());
    for (auto _ : state) {
        const std::optional<double> seconds = source.idleSeconds();
        if (!seconds) {
            state.SkipWithError("the fake idle monitor did not answer");
            break;
        }
        benchmark::DoNotOptimize(seconds);
    }
}
BENCHMARK(DBusIdleRead)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
