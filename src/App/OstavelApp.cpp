#include "App/OstavelApp.h"

#include "App/AppDelegate.h"
#include "App/AppLog.h"
#include "BreakManager/ActivityMonitorProtocol.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "Platform/Linux/DBusScreenLocker.h"
#include "Platform/Linux/DBusStatusNotifierItem.h"
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryInstalledApplications.h"
#include "Platform/Linux/LinuxTrayHostWatcher.h"
#include "Platform/Linux/MakeLinuxActivityMonitor.h"
#include "Platform/Linux/MakeLinuxBreakBlockerManager.h"
#include "Platform/Linux/PulseSampleSoundPlayer.h"
#include "Platform/Linux/X11CompositingState.h"
#include "Platform/Linux/X11KeyboardFocus.h"
#include "Platform/Linux/X11PointerButtonState.h"
#include "Platform/Linux/XdgAutostartLoginItem.h"
#include "Services/CrashReporting/SentryManager.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "Windows/BreakWindowController.h"
#include "Windows/CursorAlertWindowController.h"
#include "Windows/FeedbackWindowController.h"
#include "Windows/OnboardingWindowController.h"
#include "Windows/PreAlertWindowController.h"
#include "Windows/SettingsWindowController.h"
#include "Windows/UpdateWindowController.h"

#include <QFile>
#include <QIcon>
#include <QStandardPaths>
#include <sys/stat.h>

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
    // The installed theme icon where there is one, else our own copy.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("ostavel"),
                                   QIcon(QStringLiteral(":/ostavel/icons/ostavel.svg"))));
    setDesktopFileName(QStringLiteral("ostavel"));
}

OstavelApp::~OstavelApp() = default;

AppComponents OstavelApp::linuxComponents(const Clock& clock)
{
    AppComponents c;
    c.clock = &clock;
    c.makeActivityMonitor = []() -> std::unique_ptr<ActivityMonitorProtocol> {
        return makeLinuxActivityMonitor();
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
    c.makeCrashReporting = [] { return std::make_unique<SentryManager>(); };
    c.makeOnboardingWindowController = [](ConfigurationManager& config) {
        return std::make_unique<OnboardingWindowController>(config);
    };
    // Feedback travels with crash reporting: the window sends through the same manager.
    c.makeFeedbackWindowController =
        [](FeedbackSenderProtocol* sender) -> std::unique_ptr<WindowController> {
        if (!sender)
            return nullptr;
        return std::make_unique<FeedbackWindowController>(*sender);
    };
    c.makeLoginItem = [] { return std::make_unique<XdgAutostartLoginItem>(); };
    c.makeSoundPlayer = [] { return std::make_unique<PulseSampleSoundPlayer>(QString(), &lcApp); };
    c.makePointerButtonState = [] { return std::make_unique<X11PointerButtonState>(); };
    c.makeTrayHostWatcher = [] { return std::make_unique<LinuxTrayHostWatcher>(); };
    c.makeStatusNotifierItem = [] {
        return std::make_unique<DBusStatusNotifierItem>(QDBusConnection::sessionBus(),
                                                        DBusStatusNotifierItem::hostMenuWanted());
    };
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
    // One watch of the compositor for the pill, the cursor card and the break overlay, made with
    // the first of them and gone with the last.
    auto compositingWatch = std::make_shared<std::weak_ptr<const CompositingState>>();
    auto compositing = [compositingWatch]() -> std::shared_ptr<const CompositingState> {
        std::shared_ptr<const CompositingState> state = compositingWatch->lock();
        if (!state) {
            state = std::make_shared<X11CompositingState>();
            *compositingWatch = state;
        }
        return state;
    };
    c.makePreAlertWindowController =
        [compositing](BreakManager& engine) -> std::unique_ptr<WindowController> {
        return std::make_unique<PreAlertWindowController>(engine, compositing());
    };
    c.makeCursorAlertWindowController =
        [compositing](BreakManager& engine) -> std::unique_ptr<WindowController> {
        return std::make_unique<CursorAlertWindowController>(engine, compositing());
    };
    c.makeBreakWindowController = [&clock, compositing](BreakManager& engine) {
        return std::make_unique<BreakWindowController>(
            engine, clock, std::make_unique<DBusScreenLocker>(), X11KeyboardFocus::forSession(),
            compositing());
    };
    return c;
}

QString OstavelApp::instanceLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/ostavel.lock");
}

bool OstavelApp::holdInstanceLock()
{
    // QLockFile reads a lock it cannot take, to name its owner: a FIFO or a link to a device put
    // there would block or fill memory at start-up.
    const QString path = instanceLockPath();
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 &&
        !(S_ISREG(st.st_mode) && st.st_size <= 4096)) {
        qCWarning(lcApp).noquote()
            << QStringLiteral("%1 is not a lock file; not checking for another running instance")
                   .arg(path);
        return true;
    }
    auto lock = std::make_unique<QLockFile>(path);
    // Only a dead owner makes the lock stale, never its age: Ostavel runs for days.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_instanceLock = std::move(lock);
        return true;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        lock->getLockInfo(&pid, nullptr, nullptr);
        qCInfo(lcApp).noquote()
            << QStringLiteral("Ostavel is already running (PID %1); this launch exits").arg(pid);
        return false;
    }
    qCWarning(lcApp).noquote() << QStringLiteral("Cannot create %1; not checking for another "
                                                 "running instance")
                                      .arg(instanceLockPath());
    return true;
}

int OstavelApp::run()
{
    if (!holdInstanceLock())
        return 0;
    m_delegate = std::make_unique<AppDelegate>(linuxComponents(m_clock));
    QMetaObject::invokeMethod(
        m_delegate.get(), [this] { m_delegate->applicationDidFinishLaunching(); },
        Qt::QueuedConnection);
    return exec();
}
