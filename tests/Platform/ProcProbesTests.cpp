#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryCatalogueWatcher.h"
#include "Platform/Linux/EwmhWindowProperties.h"
#include "Platform/Linux/ProcCameraProbe.h"
#include "Platform/Linux/ProcRunningApplications.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
void link(const QString& target, const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(QFile::link(target, path)) << qPrintable(path);
}

// A NUL-separated process environment.
QByteArray environment(const QList<QByteArray>& variables)
{
    QByteArray text;
    for (const QByteArray& variable : variables)
        text += variable + '\0';
    return text;
}

EwmhWindowProperties managedWindow()
{
    EwmhWindowProperties p;
    p.viewable = true;
    p.geometry = QRect(0, 0, 1300, 820);
    p.pidProperty = {4242};
    p.wmClass = QByteArray("Navigator\0firefox-esr\0", 22);
    return p;
}
} // namespace

TEST(EwmhWindowProperties, OnlyVisibleNormalWindowsWithAnAreaCount)
{
    EXPECT_TRUE(managedWindow().toWindowInfo());
    for (auto spoil : std::initializer_list<void (*)(EwmhWindowProperties&)>{
             [](EwmhWindowProperties& p) { p.viewable = false; },
             [](EwmhWindowProperties& p) { p.hiddenState = true; },
             [](EwmhWindowProperties& p) { p.desktopOrDock = true; },
             [](EwmhWindowProperties& p) { p.geometry.reset(); },
             [](EwmhWindowProperties& p) { p.geometry = QRect(5, 5, 0, 10); },
         }) {
        EwmhWindowProperties p = managedWindow();
        spoil(p);
        EXPECT_FALSE(p.toWindowInfo());
    }
}

TEST(EwmhWindowProperties, FrameExtentsAreRemovedFromTheBounds)
{
    EwmhWindowProperties p = managedWindow();
    p.geometry = QRect(-10, -12, 1300, 830);
    p.frameExtents = {10, 10, 12, 18};
    EXPECT_EQ(p.toWindowInfo()->bounds, QRect(0, 0, 1280, 800));
    p.frameExtents = {900, 900, 0, 0};
    EXPECT_EQ(p.toWindowInfo()->bounds, QRect(-10, -12, 1300, 830)) << "absurd extents ignored";
}

TEST(EwmhWindowProperties, OwnerNameAndPid)
{
    EwmhWindowProperties p = managedWindow();
    EXPECT_EQ(p.toWindowInfo()->ownerName, "firefox-esr");
    EXPECT_EQ(p.toWindowInfo()->pid, 4242);
    p.wmClass = QByteArray("mpv\0\0", 5);
    EXPECT_EQ(p.ownerName(), "mpv");
    p.wmClass.clear();
    p.processName = "game.x86_64";
    EXPECT_EQ(p.ownerName(), "game.x86_64");
    p.processName.clear();
    EXPECT_EQ(p.ownerName(), "Unknown");
    p.pidProperty = {0};
    EXPECT_EQ(p.pid(), std::nullopt);
    p.pidProperty.clear();
    EXPECT_EQ(p.toWindowInfo()->pid, std::nullopt);
}

TEST(CgroupUnits, ApplicationUnitsNameTheirDesktopEntry)
{
    using R = ProcRunningApplications;
    auto id = [](const char* unit) { return R::appFromUnitName(unit).value_or(R::UnitApp{}).id; };
    EXPECT_EQ(id("app-gnome-firefox\\x2desr-4242.scope"), "firefox-esr");
    EXPECT_EQ(id("app-org.kde.konsole-b2c3d4.scope"), "org.kde.konsole");
    EXPECT_EQ(id("app-gnome-org.gnome.Evolution\\x2dalarm\\x2dnotify@autostart.service"),
              "org.gnome.Evolution-alarm-notify");
    EXPECT_EQ(id("app-org.example.Mail.service"), "org.example.Mail");
    EXPECT_TRUE(R::appFromUnitName("app-flatpak-org.gimp.GIMP-1234.scope")->flatpak);
    EXPECT_FALSE(R::appFromUnitName("app-gnome-org.gimp.GIMP-1234.scope")->flatpak);
    for (const char* other : {"vte-spawn-1a2b.scope", "app-1234.scope", "session-2.scope",
                              "app-org.gnome.Terminal.slice", "app-.service", ""})
        EXPECT_FALSE(R::appFromUnitName(other)) << other;

    EXPECT_EQ(R::appFromCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                               "app-gnome-org.gnome.Calculator-77.scope\n")
                  ->id,
              "org.gnome.Calculator");
    EXPECT_EQ(R::appFromCgroup("12:pids:/user.slice\n1:name=systemd:/user.slice/user@1000.service/"
                               "app.slice/app-slack-99.scope\n0::/\n")
                  ->id,
              "slack");
    EXPECT_FALSE(R::appFromCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                  "app-org.gnome.Terminal.slice/vte-spawn-5.scope\n"));
}

TEST(ProcessEnvironment, LaunchedDesktopFileCountsOnlyForTheLaunchedProcess)
{
    const QByteArray variables = environment({
        "HOME=/home/u",
        "GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/org.example.Editor.desktop",
        "GIO_LAUNCHED_DESKTOP_FILE_PID=321",
    });
    EXPECT_EQ(ProcRunningApplications::launchedDesktopFile(variables, 321),
              "/usr/share/applications/org.example.Editor.desktop");
    EXPECT_EQ(ProcRunningApplications::launchedDesktopFile(variables, 322), "");
    EXPECT_EQ(ProcRunningApplications::flatpakIdFromInfo(
                  "[Application]\nname=org.example.Viewer\nruntime=runtime/x\n"),
              "org.example.Viewer");
}

class FakeProcTest : public ::testing::Test {
protected:
    QString proc() const { return m_root.path() + "/proc"; }
    QString apps() const { return m_root.path() + "/applications"; }
    QString root() const { return m_root.path(); }

    void process(int pid, const QByteArray& cgroup, const QString& exe,
                 const QByteArray& environment = {})
    {
        const QString dir = proc() + "/" + QString::number(pid);
        writeTestFile(dir + "/cgroup", cgroup);
        writeTestFile(dir + "/environ", environment);
        if (!exe.isEmpty())
            link(exe, dir + "/exe");
    }

private:
    QTemporaryDir m_root;
};

TEST_F(FakeProcTest, ResolverAppliesTheRulesInOrder)
{
    auto entry = [](const char* name, const char* exec, const char* extra = "") {
        return QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" + exec +
               "\n" + extra;
    };
    writeTestFile(apps() + "/org.example.Chat.desktop",
                  entry("Chat", "flatpak run org.example.Chat", "X-Flatpak=org.example.Chat\n"));
    writeTestFile(apps() + "/firefox-esr.desktop",
                  entry("Firefox ESR", "/usr/lib/firefox-esr/firefox-esr"));
    writeTestFile(apps() + "/org.example.Editor.desktop", entry("Editor", "editor %F"));
    writeTestFile(apps() + "/Zoom.desktop", entry("Zoom Workplace", "/usr/bin/zoom %U"));
    writeTestFile(apps() + "/org.example.Shell.desktop", entry("Shell thing", "bash -c thing"));
    auto catalogue = std::make_shared<DesktopEntryCatalogue>(QStringList{apps()}, QString());

    const QByteArray noUnit = "0::/user.slice/user-1000.slice/session-2.scope\n";
    const QByteArray editorFile =
        "GIO_LAUNCHED_DESKTOP_FILE=" + apps().toUtf8() + "/org.example.Editor.desktop";
    // 1. Flatpak scope, even with other clues present.
    process(101, "0::/app.slice/app-flatpak-org.example.Chat-1.scope\n",
            "/usr/lib/firefox-esr/firefox-esr",
            environment({editorFile, "GIO_LAUNCHED_DESKTOP_FILE_PID=101"}));
    // 1. Flatpak instance info inside the sandbox, beating a systemd unit.
    writeTestFile(root() + "/sandbox/.flatpak-info", "[Application]\nname=org.example.Viewer\n");
    process(102, "0::/app.slice/app-gnome-org.example.Other-2.scope\n", "/app/bin/viewer");
    link(root() + "/sandbox", proc() + "/102/root");
    // 2. systemd application scope.
    process(103, "0::/app.slice/app-gnome-firefox\\x2desr-3.scope\n", "/usr/bin/bash");
    // 3. Launched by GIO, and a child that inherited the variables.
    process(104, noUnit, "/usr/bin/editor",
            environment({editorFile, "GIO_LAUNCHED_DESKTOP_FILE_PID=104"}));
    process(105, noUnit, "/usr/bin/helper",
            environment({editorFile, "GIO_LAUNCHED_DESKTOP_FILE_PID=104"}));
    // 4. Executable, also after an upgrade replaced it; a shell is nobody.
    process(106, noUnit, "/opt/zoom/zoom (deleted)");
    process(107, noUnit, "/usr/bin/bash");
    // Not processes, or not resolvable.
    writeTestFile(proc() + "/self/cgroup", "0::/app.slice/app-gnome-self-1.scope\n");
    writeTestFile(proc() + "/108/cgroup", noUnit);

    ProcRunningApplications resolver(catalogue, QFile::encodeName(proc()), ::geteuid());
    std::vector<RunningApplication> found = resolver.runningApplications();
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.bundleIdentifier < b.bundleIdentifier; });
    QStringList described;
    for (const RunningApplication& app : found)
        described << app.bundleIdentifier + "=" + app.localizedName;
    EXPECT_EQ(described, (QStringList{"Zoom=Zoom Workplace", "firefox-esr=Firefox ESR",
                                      "org.example.Chat=Chat", "org.example.Editor=Editor",
                                      "org.example.Viewer="}));

    ProcRunningApplications otherUser(catalogue, QFile::encodeName(proc()), ::geteuid() + 1);
    EXPECT_TRUE(otherUser.runningApplications().empty());
}

TEST_F(FakeProcTest, ResolverForgetsGoneProcessesAndNoticesAnExecWithinItsRounds)
{
    writeTestFile(apps() + "/Zoom.desktop",
                  "[Desktop Entry]\nType=Application\nName=Zoom\nExec=zoom\n");
    auto catalogue = std::make_shared<DesktopEntryCatalogue>(QStringList{apps()}, QString());
    const QByteArray noUnit = "0::/user.slice/user-1000.slice/session-2.scope\n";
    process(300, noUnit, "/usr/bin/dash");
    process(301, noUnit, "/opt/zoom/zoom");
    ProcRunningApplications resolver(catalogue, QFile::encodeName(proc()), ::geteuid());
    EXPECT_EQ(resolver.runningApplications().size(), 1u);

    QDir(proc() + "/301").removeRecursively();
    EXPECT_TRUE(resolver.runningApplications().empty());

    // The launcher script replaces itself with the application.
    QFile::remove(proc() + "/300/exe");
    link("/opt/zoom/zoom", proc() + "/300/exe");
    int calls = 1;
    while (resolver.runningApplications().empty())
        ASSERT_LE(++calls, ProcRunningApplications::revalidationRounds);
}

TEST_F(FakeProcTest, ApplicationsInstalledWhileRunningAreNamedByTheirExecutable)
{
    // The user's folder does not exist yet; the system one has a folder below it.
    const QString userApps = root() + "/home/applications";
    QDir().mkpath(apps() + "/vendor");
    auto catalogue =
        std::make_shared<DesktopEntryCatalogue>(QStringList{userApps, apps()}, QString());
    DesktopEntryCatalogueWatcher watcher(catalogue, std::chrono::milliseconds(50));
    QSignalSpy scanned(&watcher, &DesktopEntryCatalogueWatcher::scanned);
    ASSERT_TRUE(scanned.wait(5000));
    QStringList watched = watcher.watchedFolders();
    watched.sort();
    EXPECT_EQ(watched, (QStringList{root(), apps(), apps() + "/vendor"}));

    const QByteArray noUnit = "0::/user.slice/user-1000.slice/session-2.scope\n";
    process(400, noUnit, "/opt/tool/tool");
    process(401, noUnit, "/opt/mine/mine");
    process(402, noUnit, "/usr/bin/viewer");
    ProcRunningApplications resolver(catalogue, QFile::encodeName(proc()), ::geteuid());
    EXPECT_TRUE(resolver.runningApplications().empty());

    auto app = [](const char* name, const char* exec) {
        return QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" + exec +
               "\n";
    };
    // A package's file, one in a folder below, and the user's first own entry with its folder.
    writeTestFile(apps() + "/org.example.Tool.desktop", app("Tool", "/opt/tool/tool %U"));
    writeTestFile(apps() + "/vendor/viewer.desktop", app("Viewer", "viewer"));
    writeTestFile(userApps + "/mine.desktop", app("Mine", "mine"));
    QStringList named;
    (void)QTest::qWaitFor(
        [&] {
            named.clear();
            for (const RunningApplication& running : resolver.runningApplications())
                named << running.bundleIdentifier;
            named.sort();
            return named.size() == 3;
        },
        10000);
    EXPECT_EQ(named, (QStringList{"mine", "org.example.Tool", "vendor-viewer"}));
    // The new folder is watched once the scan that found it has finished on the main thread,
    // which may come just after the catalogue already answers.
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.watchedFolders().contains(userApps); }, 5000));
}

TEST_F(FakeProcTest, CameraIsInUseWhenAProcessOfThisUserHoldsAVideoDevice)
{
    const QString dev = root() + "/dev";
    writeTestFile(dev + "/null", "");
    link(dev + "/null", proc() + "/200/fd/0");
    link("socket:[1234]", proc() + "/200/fd/1");
    link(dev + "/v4l/by-id/usb-cam", proc() + "/201/fd/3");
    ProcCameraProbe probe(QFile::encodeName(proc()), QFile::encodeName(dev), ::geteuid());
    EXPECT_FALSE(probe.isCameraInUse());

    link(dev + "/video0", proc() + "/202/fd/7");
    EXPECT_FALSE(probe.isCameraInUse()) << "a device that no longer exists is not in use";
    writeTestFile(dev + "/video0", "");
    EXPECT_TRUE(probe.isCameraInUse());
    ProcCameraProbe otherUser(QFile::encodeName(proc()), QFile::encodeName(dev), ::geteuid() + 1);
    EXPECT_FALSE(otherUser.isCameraInUse());

    // Without an open or close of a device since the last scan, the answer stands.
    QFile::remove(proc() + "/202/fd/7");
    EXPECT_TRUE(probe.isCameraInUse());
    QFile device(dev + "/video0");
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    device.close();
    EXPECT_FALSE(probe.isCameraInUse());

    EXPECT_TRUE(ProcCameraProbe::isVideoDevice("/dev/video12", "/dev"));
    EXPECT_FALSE(ProcCameraProbe::isVideoDevice("/dev/video0 (deleted)", "/dev"));
    EXPECT_FALSE(ProcCameraProbe::isVideoDevice("/dev/videos/x", "/dev"));
    EXPECT_FALSE(ProcCameraProbe::isVideoDevice("/devx/video0", "/dev"));
}

TEST(ProcCameraProbe, RealProcessHoldingAFakeVideoDevice)
{
    QTemporaryDir dev;
    const QString device = dev.path() + "/video0";
    writeTestFile(device, "");
    ProcCameraProbe probe("/proc", QFile::encodeName(dev.path()));
    EXPECT_FALSE(probe.isCameraInUse());

    QProcess holder;
    holder.setStandardInputFile(device);
    holder.start("sleep", {"30"});
    ASSERT_TRUE(holder.waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.isCameraInUse(); }, 5000));
    holder.kill();
    holder.waitForFinished();
    EXPECT_FALSE(probe.isCameraInUse());
}
