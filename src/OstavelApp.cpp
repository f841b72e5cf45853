#include "OstavelApp.h"

#include "AppDelegate.h"
#include "BreakManager/ActivityMonitorProtocol.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "Logging/SentryManager.h"
#include "MediaSoundPlayer.h"
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryInstalledApplications.h"
#include "Platform/Linux/LinuxActivityMonitor.h"
#include "Platform/Linux/LinuxBreakBlockerManager.h"
#include "Platform/Linux/X11PointerButtonState.h"
#include "Platform/Linux/XdgAutostartLoginItem.h"
#include "SentryCrashReporting.h"
#include "Update/SparkleUpdaterManager.h"
#include "Windows/SettingsWindowController.h"
// UpdateWindowController.h needs both dialogs complete for its inline accessors.
#include "Windows/UpdateCheckDialog.h"
#include "Windows/UpdatePromptDialog.h"
#include "Windows/UpdateWindowController.h"

#include <QStandardPaths>

void OstavelApp::selectPlatform()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

OstavelApp::OstavelApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("Ostavel"));
    setApplicationName(QStringLiteral("Ostavel"));
    setQuitOnLastWindowClosed(false);
}

OstavelApp::~OstavelApp() = default;

AppComponents OstavelApp::linuxComponents(const Clock& clock)
{
    AppComponents c;
    c.clock = &clock;
    c.makeActivityMonitor = []() -> std::unique_ptr<ActivityMonitorProtocol> {
        return makeLinuxActivityMonitor();
    };
    c.startActivityMonitor = [](ActivityMonitorProtocol& monitor) {
        static_cast<ActivityMonitor&>(monitor).start();
    };
    // One catalogue of installed applications, read once, for the blockers and the picker.
    auto catalogue = std::make_shared<DesktopEntryCatalogue>();
    c.makeBreakBlockerManager =
        [catalogue](ConfigurationManager& config) -> std::unique_ptr<BreakBlockerManagerProtocol> {
        return makeLinuxBreakBlockerManager(config, catalogue);
    };
    c.makeUpdater = [] { return std::make_unique<SparkleUpdaterManager>(); };
    c.makeUpdateWindowController = [](SparkleUpdaterManager& updater) {
        return std::make_unique<UpdateWindowController>(updater);
    };
    c.makeCrashReporting = [] {
        return std::make_unique<SentryCrashReporting>(std::make_unique<SentryManager>());
    };
    c.makeLoginItem = [] { return std::make_unique<XdgAutostartLoginItem>(); };
    c.makeSoundPlayer = [] { return std::make_unique<MediaSoundPlayer>(); };
    c.makePointerButtonState = [] { return std::make_unique<X11PointerButtonState>(); };
    c.makeSettingsWindowController = [catalogue](ConfigurationManager& config,
                                                 SparkleUpdaterManager* updater) {
        SettingsEnvironment environment;
        environment.loginItem = std::make_shared<XdgAutostartLoginItem>();
        environment.applications = std::make_shared<DesktopEntryInstalledApplications>(catalogue);
        environment.pixmapDirs =
            QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                      QStringLiteral("pixmaps"), QStandardPaths::LocateDirectory);
        return std::make_unique<SettingsWindowController>(config, updater, std::move(environment));
    };
    return c;
}

int OstavelApp::run()
{
    m_delegate = std::make_unique<AppDelegate>(linuxComponents(m_clock));
    QMetaObject::invokeMethod(
        m_delegate.get(), [this] { m_delegate->applicationDidFinishLaunching(); },
        Qt::QueuedConnection);
    return exec();
}
