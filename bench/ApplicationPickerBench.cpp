// Opening the settings' application picker on a desktop with many applications: from the click
// that builds the dialog to its first painted rows with their icons. The list is read off the
// main thread and icons load only for the rows on screen, so the figure should stay far below
// 200 ms however many applications there are.
//
// Warm: the desktop-entry catalogue was already read (the blockers share it). Cold: the first
// use reads every .desktop file. Applications: OSTAVEL_BENCH_APPS (default 500), each with its
// own icon in a small icon theme.
//
//   build/bench/applicationpickerbench      (offscreen unless DISPLAY is set)
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryInstalledApplications.h"
#include "Views/ApplicationListModel.h"
#include "Views/ApplicationPickerDialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QListView>
#include <QPixmapCache>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {
QTemporaryDir* tree = nullptr;
int appCount = 500;

QString applicationsDir()
{
    return tree->path() + QStringLiteral("/applications");
}

void writeTree()
{
    QDir().mkpath(applicationsDir());
    const QString icons = tree->path() + QStringLiteral("/icons/BenchTheme/48x48/apps");
    QDir().mkpath(icons);
    QFile index(tree->path() + QStringLiteral("/icons/BenchTheme/index.theme"));
    index.open(QIODevice::WriteOnly);
    index.write("[Icon Theme]\nName=BenchTheme\nDirectories=48x48/apps\n\n"
                "[48x48/apps]\nSize=48\nType=Fixed\n");
    for (int i = 0; i < appCount; ++i) {
        QImage image(48, 48, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv(i % 360, 200, 200));
        image.save(icons + QStringLiteral("/bench-app-%1.png").arg(i));
        QFile entry(applicationsDir() + QStringLiteral("/org.example.App%1.desktop").arg(i));
        entry.open(QIODevice::WriteOnly);
        entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Application %1\n"
                                   "Name[de]=Anwendung %1\nComment=A benchmark application\n"
                                   "Exec=bench-app-%1 %U\nIcon=bench-app-%1\n"
                                   "Categories=Utility;\n")
                        .arg(i)
                        .toUtf8());
    }
    QIcon::setThemeSearchPaths({tree->path() + QStringLiteral("/icons")});
}

// Milliseconds from building the dialog to its first painted rows.
double openPicker(std::shared_ptr<const DesktopEntryCatalogue> catalogue)
{
    // Forget what the icon theme and the pixmap cache hold from the previous round.
    QIcon::setThemeName(QStringLiteral("BenchTheme"));
    QPixmapCache::clear();
    QElapsedTimer timer;
    timer.start();
    auto* picker = new ApplicationPickerDialog(
        std::make_shared<DesktopEntryInstalledApplications>(std::move(catalogue)), {});
    bool loaded = false;
    QObject::connect(picker, &ApplicationPickerDialog::applicationsLoaded, [&] { loaded = true; });
    picker->show();
    while (!loaded)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    picker->listView()->viewport()->repaint();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (picker->model()->rowCount() != appCount || picker->model()->loadedIconCount() == 0 ||
        picker->model()->loadedIconCount() > 100)
        qFatal("unexpected picker state: %d rows, %d icons", picker->model()->rowCount(),
               picker->model()->loadedIconCount());
    delete picker;
    return ms;
}

void BM_OpenPickerWarmCatalogue(benchmark::State& state)
{
    auto catalogue = std::make_shared<DesktopEntryCatalogue>(QStringList{applicationsDir()},
                                                             QStringLiteral("de_DE"));
    catalogue->entries();
    for (auto _ : state)
        state.SetIterationTime(openPicker(catalogue) / 1000.0);
    state.counters["apps"] = appCount;
}
BENCHMARK(BM_OpenPickerWarmCatalogue)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OpenPickerColdCatalogue(benchmark::State& state)
{
    for (auto _ : state) {
        auto catalogue = std::make_shared<DesktopEntryCatalogue>(QStringList{applicationsDir()},
                                                                 QStringLiteral("de_DE"));
        state.SetIterationTime(openPicker(catalogue) / 1000.0);
    }
    state.counters["apps"] = appCount;
}
BENCHMARK(BM_OpenPickerColdCatalogue)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIntValue("OSTAVEL_BENCH_APPS") > 0)
        appCount = qEnvironmentVariableIntValue("OSTAVEL_BENCH_APPS");
    QTemporaryDir dir;
    tree = &dir;
    writeTree();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
