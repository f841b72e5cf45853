#include "OstavelApp.h"

#include "AppDelegate.h"
#include "BreakManager/ActivityMonitorProtocol.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "Logging/SentryManager.h"
#include "MediaSoundPlayer.h"
#include "Platform/Linux/DBusScreenLocker.h"
#include "Platform/Linux/LinuxActivityMonitor.h"
#include "Platform/Linux/LinuxBreakBlockerManager.h"
#include "Platform/Linux/X11CompositingState.h"
#include "Platform/Linux/X11KeyboardFocus.h"
#include "Platform/Linux/X11PointerButtonState.h"
#include "Platform/Linux/XdgAutostartLoginItem.h"
#include "SentryCrashReporting.h"
#include "Update/SparkleUpdaterManager.h"
#include "Windows/BreakWindowController.h"
// UpdateWindowController.h needs both dialogs complete for its inline accessors.
#include "Windows/UpdateCheckDialog.h"
#include "Windows/UpdatePromptDialog.h"
#include "Windows/UpdateWindowController.h"

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
    c.makeBreakBlockerManager =
        [](ConfigurationManager& config) -> std::unique_ptr<BreakBlockerManagerProtocol> {
        return makeLinuxBreakBlockerManager(config);
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
    c.makeBreakWindowController = [&clock](BreakManager& engine) {
        return std::make_unique<BreakWindowController>(
            engine, clock, std::make_unique<DBusScreenLocker>(),
            std::make_unique<X11KeyboardFocus>(), std::make_unique<X11CompositingState>());
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
