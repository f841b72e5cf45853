#include "App/AppDelegate.h"

#include "App/AppLog.h"
#include "App/CrashReportingConsent.h"
#include "App/MenuBarHintController.h"
#include "App/StatusItemController.h"
#include "App/StatusMenuController.h"
#include "BreakManager/ActivityMonitorProtocol.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "Platform/Clock.h"
#include "Platform/LoginItem.h"
#include "Platform/ServiceTimer.h"
#include "Platform/SoundPlayer.h"
#include "Services/CrashReporting/CrashReportingProtocol.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "Windows/OnboardingWindowControllerProtocol.h"
#include "Windows/UpdateWindowController.h"
#include "Windows/WindowController.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
constexpr std::chrono::milliseconds menuBarHintDelay{1000};
} // namespace

AppDelegate::AppDelegate(AppComponents components, QObject* parent)
    : QObject(parent)
    , m_components(std::move(components))
    , m_clock(*m_components.clock)
    , m_breakBlockerManager(m_components.makeBreakBlockerManager)
    , m_breakManager([this] {
        BreakBlockerManagerProtocol* blockers = breakBlockerManager();
        return std::make_unique<BreakManager>(*m_activityMonitor, *m_configManager, blockers,
                                              m_clock);
    })
    , m_breakWindowController(m_components.makeBreakWindowController)
    , m_preAlertWindowController(m_components.makePreAlertWindowController)
    , m_cursorAlertWindowController(m_components.makeCursorAlertWindowController)
    , m_onboardingWindowController(m_components.makeOnboardingWindowController)
    , m_settingsWindowController(m_components.makeSettingsWindowController)
    , m_feedbackWindowController(m_components.makeFeedbackWindowController)
{
    if (!m_components.makeTimer)
        m_components.makeTimer = [] { return std::make_unique<QtServiceTimer>(); };
    m_configManager = std::make_unique<ConfigurationManager>();
    m_activityMonitor = m_components.makeActivityMonitor();
    if (m_components.makeUpdater) {
        m_sparkleUpdater = m_components.makeUpdater();
        if (m_components.makeUpdateWindowController)
            m_updateWindowController = m_components.makeUpdateWindowController(*m_sparkleUpdater);
    }
    if (m_components.makeCrashReporting) {
        m_crashReporting = m_components.makeCrashReporting();
        m_crashReportingConsent = std::make_unique<CrashReportingConsent>(
            *m_crashReporting, *m_configManager, m_sparkleUpdater.get());
    }
    m_loginItem = m_components.makeLoginItem();
    m_soundPlayer = m_components.makeSoundPlayer();
}

AppDelegate::~AppDelegate() = default;

BreakBlockerManagerProtocol* AppDelegate::breakBlockerManager()
{
    return m_breakBlockerManager.get(*m_configManager);
}

BreakManager& AppDelegate::breakManager()
{
    return *m_breakManager.get();
}

WindowController* AppDelegate::breakWindowController()
{
    return m_breakWindowController.get(breakManager());
}

WindowController* AppDelegate::preAlertWindowController()
{
    return m_preAlertWindowController.get(breakManager());
}

WindowController* AppDelegate::cursorAlertWindowController()
{
    return m_cursorAlertWindowController.get(breakManager());
}

OnboardingWindowControllerProtocol* AppDelegate::onboardingWindowController()
{
    return m_onboardingWindowController.get(*m_configManager);
}

WindowController* AppDelegate::settingsWindowController()
{
    return m_settingsWindowController.get(*m_configManager, m_sparkleUpdater.get());
}

WindowController* AppDelegate::feedbackWindowController()
{
    return m_feedbackWindowController.get(m_crashReporting ? m_crashReporting->feedbackSender()
                                                           : nullptr);
}

// Launch.

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_crashReportingConsent)
        m_crashReportingConsent->applyAtLaunch();

    qCInfo(lcApp) << "Ostavel launched";

    if (UserDefaults::contains(StoreKeys::onboardingCompleted))
        startMainApp();
    else
        showOnboarding();

    if (m_crashReportingConsent)
        m_crashReportingConsent->follow();
}

void AppDelegate::showOnboarding()
{
    if (OnboardingWindowControllerProtocol* onboarding = onboardingWindowController()) {
        const QPointer<AppDelegate> self(this);
        // On Linux nothing of Ostavel is left once this window closes unfinished (no Dock icon,
        // no tray icon yet): quit, and the next launch shows onboarding again.
        onboarding->show(
            [self] {
                if (self)
                    self->completeOnboarding();
            },
            [self] {
                if (!self || self->m_mainAppStarted)
                    return;
                qCInfo(lcApp) << "Onboarding closed before it was completed; quitting";
                self->quitApp();
            });
        return;
    }
    // A build without the onboarding window has nothing to walk through: start at once and still
    // point the new user at the tray. Completion is not recorded, so the window runs once it
    // exists.
    startMainApp();
    showMenuBarHint();
}

void AppDelegate::completeOnboarding()
{
    UserDefaults::setValue(StoreKeys::onboardingCompleted, true);
    startMainApp();
    showMenuBarHint();
}

void AppDelegate::startMainApp()
{
    if (m_mainAppStarted)
        return;
    m_mainAppStarted = true;

    // Absent reads as false. A failed registration is ignored; start-up never unregisters, and
    // leaves an entry the user turned off in the desktop's own settings as it is.
    if (!UserDefaults::value(StoreKeys::launchAtLoginDisabled).toBool())
        m_loginItem->registerAtStartUp();

    createStatusItem();

    BreakManager& engine = breakManager();
    // Delivered on a later pass, like every redraw: the first one follows shortly.
    connect(&engine, &BreakManager::stateChanged, this, &AppDelegate::refreshStatusItem,
            Qt::QueuedConnection);
    connect(&engine, &BreakManager::accumulatedWorkTimeChanged, this,
            &AppDelegate::refreshStatusItem, Qt::QueuedConnection);
    // A new work duration moves the countdown at once, also while no work is counted.
    connect(m_configManager.get(), &ConfigurationManager::configChanged, this,
            &AppDelegate::refreshStatusItem, Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, &AppDelegate::refreshStatusItem, Qt::QueuedConnection);

    wireEngineCallbacks();

    m_activityMonitor->start();
    engine.start();
}

void AppDelegate::wireEngineCallbacks()
{
    BreakManager& engine = breakManager();
    // The window step always comes before its sound.
    const QPointer<AppDelegate> self(this);
    engine.onBreakStart = [self] {
        if (!self)
            return;
        if (WindowController* window = self->breakWindowController())
            window->show();
        self->playSound(QStringLiteral("break-started"));
    };
    engine.onBreakEnd = [self] {
        if (!self)
            return;
        if (WindowController* window = self->breakWindowController())
            window->dismiss();
        if (!self->m_activityMonitor->isScreenLocked())
            self->playSound(QStringLiteral("break-ends"));
    };
    engine.onPreAlertStart = [self] {
        if (!self)
            return;
        if (WindowController* window = self->preAlertWindowController())
            window->show();
        self->playSound(QStringLiteral("break-about-to-begin"));
    };
    engine.onPreAlertEnd = [self] {
        if (!self)
            return;
        if (WindowController* window = self->preAlertWindowController())
            window->dismiss();
    };
    engine.onCursorAlertStart = [self] {
        if (!self)
            return;
        if (WindowController* window = self->cursorAlertWindowController())
            window->show();
    };
    engine.onCursorAlertEnd = [self] {
        if (!self)
            return;
        if (WindowController* window = self->cursorAlertWindowController())
            window->dismiss();
    };
}

void AppDelegate::playSound(const QString& name)
{
    m_soundPlayer->play(name);
}

// Tray.

void AppDelegate::createStatusItem()
{
    StatusItemController::Environment icon;
    icon.engine = &breakManager();
    icon.blockers = breakBlockerManager();
    if (m_components.makeTrayHostWatcher)
        icon.hosts = m_components.makeTrayHostWatcher();
    if (m_components.makeStatusNotifierItem)
        icon.statusNotifierItem = m_components.makeStatusNotifierItem();
    icon.makeTimer = m_components.makeTimer;
    m_statusItems = std::make_unique<StatusItemController>(std::move(icon));
    StatusItemController* items = m_statusItems.get();

    StatusMenuController::Environment menu;
    menu.engine = &breakManager();
    menu.configManager = m_configManager.get();
    menu.blockers = breakBlockerManager();
    menu.clock = &m_clock;
    menu.commands = menuCommands();
    menu.iconGeometry = [items] { return items->iconGeometry(); };
    if (items->hostDrawsMenu())
        menu.publishHostMenu = [items](const QList<StatusNotifierItem::MenuEntry>& entries) {
            items->setHostMenu(entries);
        };
    m_statusMenu = std::make_unique<StatusMenuController>(std::move(menu));

    MenuBarHintController::Environment hint;
    hint.host = [items] { return items->host(); };
    hint.iconGeometry = [items] { return items->iconGeometry(); };
    hint.makePointerButtonState = m_components.makePointerButtonState;
    hint.makeTimer = m_components.makeTimer;
    m_menuBarHints = std::make_unique<MenuBarHintController>(std::move(hint));

    // A click in a StatusNotifierItem host is a press of ours: the hint hears of it before the
    // menu opens, and stays.
    connect(items, &StatusItemController::clickedInHost, m_menuBarHints.get(),
            &MenuBarHintController::noteClickOnIcon);
    connect(items, &StatusItemController::menuRequested, m_statusMenu.get(),
            &StatusMenuController::open);
    connect(items, &StatusItemController::hostMenuShown, m_statusMenu.get(),
            &StatusMenuController::hostMenuShown);
}

StatusMenuCommands AppDelegate::menuCommands()
{
    return StatusMenuCommands{
        .startBreak = [this] { startBreakAction(); },
        .skipBreak = [this] { skipBreakAction(); },
        .disableOneHour = [this] { disableOneHourAction(); },
        .disableFourHours = [this] { disableFourHoursAction(); },
        .disableRestOfDay = [this] { disableRestOfDayAction(); },
        .enable = [this] { enableAction(); },
        .sendFeedback = [this] { sendFeedback(); },
        .openSettings = [this] { openSettings(); },
        .quit = [this] { quitApp(); },
    };
}

bool AppDelegate::isBlocked()
{
    const BreakBlockerManagerProtocol* blockers = breakBlockerManager();
    return blockers && blockers->isActive();
}

void AppDelegate::refreshStatusItem()
{
    // The dot is painted into the icon: record the flag, then draw once.
    m_statusItems->updateRedDot(isBlocked());
    m_statusItems->updateCountdownTitle();
}

void AppDelegate::startBreakAction()
{
    breakManager().startBreak();
}

void AppDelegate::skipBreakAction()
{
    breakManager().skipBreak();
}

void AppDelegate::disableOneHourAction()
{
    breakManager().disable(m_clock.now().addSecs(3600));
}

void AppDelegate::disableFourHoursAction()
{
    breakManager().disable(m_clock.now().addSecs(14400));
}

void AppDelegate::disableRestOfDayAction()
{
    breakManager().disableForRestOfDay();
}

void AppDelegate::enableAction()
{
    breakManager().enable();
}

void AppDelegate::sendFeedback()
{
    if (WindowController* window = feedbackWindowController())
        window->show();
    else
        qCInfo(lcApp) << "Send Feedback: the feedback window is not part of this build";
}

void AppDelegate::openSettings()
{
    if (WindowController* window = settingsWindowController())
        window->show();
    else
        qCInfo(lcApp) << "Settings: the settings window is not part of this build";
}

void AppDelegate::quitApp()
{
    if (m_components.quit)
        m_components.quit();
    else
        QCoreApplication::quit();
}

// First-run hint.

void AppDelegate::showMenuBarHint()
{
    if (UserDefaults::value(StoreKeys::menuBarHintShown).toBool())
        return;
    // Every call waits its own second: a later call does not put off an earlier one.
    std::erase_if(m_menuBarHintWaits, [](const auto& wait) { return !wait->isActive(); });
    ServiceTimer& wait = *m_menuBarHintWaits.emplace_back(m_components.makeTimer());
    wait.start(menuBarHintDelay, [this] {
        // Without an icon in a tray there is nothing to point at: leave the hint for later.
        if (!m_menuBarHints || !m_menuBarHints->show())
            return;
        UserDefaults::setValue(StoreKeys::menuBarHintShown, true);
    });
}
