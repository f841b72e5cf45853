#include "AppDelegate.h"

#include "AppLog.h"
#include "BreakManager/ActivityMonitorProtocol.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/UserDefaults.h"
#include "CrashReportingProtocol.h"
#include "Platform/Clock.h"
#include "Platform/LoginItem.h"
#include "Platform/PointerButtonState.h"
#include "SoundPlayer.h"
#include "Update/SparkleUpdaterManager.h"
#include "Views/MenuBarHintView.h"
#include "Views/MenuBarStatusView.h"
#include "Views/StatusIconPainter.h"
#include "Windows/OnboardingWindowControllerProtocol.h"
// UpdateWindowController.h needs both dialogs complete for its inline accessors.
#include "Windows/UpdateCheckDialog.h"
#include "Windows/UpdatePromptDialog.h"
#include "Windows/UpdateWindowController.h"
#include "Windows/WindowController.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <QWidgetAction>

namespace {
constexpr int menuBarHintDelayMs = 1000;
constexpr int hintClickPollMs = 100;
} // namespace

AppDelegate::AppDelegate(AppComponents components, QObject* parent)
    : QObject(parent)
    , m_components(std::move(components))
    , m_clock(*m_components.clock)
{
    m_configManager = std::make_unique<ConfigurationManager>();
    m_activityMonitor = m_components.makeActivityMonitor();
    if (m_components.makeUpdater) {
        m_sparkleUpdater = m_components.makeUpdater();
        if (m_components.makeUpdateWindowController)
            m_updateWindowController = m_components.makeUpdateWindowController(*m_sparkleUpdater);
    }
    if (m_components.makeCrashReporting)
        m_crashReporting = m_components.makeCrashReporting();
    m_loginItem = m_components.makeLoginItem();
    m_soundPlayer = m_components.makeSoundPlayer();
}

AppDelegate::~AppDelegate() = default;

template <typename T, typename Factory, typename... Args>
T* AppDelegate::lazy(std::unique_ptr<T>& slot, bool& built, const Factory& factory, Args&... args)
{
    if (!built) {
        built = true;
        if (factory)
            slot = factory(args...);
    }
    return slot.get();
}

BreakBlockerManagerProtocol* AppDelegate::breakBlockerManager()
{
    return lazy(m_breakBlockerManager, m_breakBlockerManagerBuilt,
                m_components.makeBreakBlockerManager, *m_configManager);
}

BreakManager& AppDelegate::breakManager()
{
    if (!m_breakManager) {
        BreakBlockerManagerProtocol* blockers = breakBlockerManager();
        m_breakManager =
            std::make_unique<BreakManager>(*m_activityMonitor, *m_configManager, blockers, m_clock);
    }
    return *m_breakManager;
}

WindowController* AppDelegate::breakWindowController()
{
    return lazy(m_breakWindowController, m_breakWindowControllerBuilt,
                m_components.makeBreakWindowController, breakManager());
}

WindowController* AppDelegate::preAlertWindowController()
{
    return lazy(m_preAlertWindowController, m_preAlertWindowControllerBuilt,
                m_components.makePreAlertWindowController, breakManager());
}

WindowController* AppDelegate::cursorAlertWindowController()
{
    return lazy(m_cursorAlertWindowController, m_cursorAlertWindowControllerBuilt,
                m_components.makeCursorAlertWindowController, breakManager());
}

OnboardingWindowControllerProtocol* AppDelegate::onboardingWindowController()
{
    return lazy(m_onboardingWindowController, m_onboardingWindowControllerBuilt,
                m_components.makeOnboardingWindowController, *m_configManager);
}

WindowController* AppDelegate::settingsWindowController()
{
    SparkleUpdaterManager* updater = m_sparkleUpdater.get();
    return lazy(m_settingsWindowController, m_settingsWindowControllerBuilt,
                m_components.makeSettingsWindowController, *m_configManager, updater);
}

WindowController* AppDelegate::feedbackWindowController()
{
    return lazy(m_feedbackWindowController, m_feedbackWindowControllerBuilt,
                m_components.makeFeedbackWindowController);
}

// Launch.

void AppDelegate::applicationDidFinishLaunching()
{
    const bool consent = m_configManager->config().sendAnonymousCrashReports;
    if (m_crashReporting && consent) {
        m_crashReporting->start();
        if (m_sparkleUpdater)
            m_crashReporting->setUpdateChannel(m_sparkleUpdater->currentChannel());
    } else if (m_crashReporting) {
        // Reports written before the user withdrew consent are never sent.
        m_crashReporting->discardPendingReports();
    }

    qCInfo(lcApp) << "Ostavel launched";

    if (UserDefaults::contains(onboardingCompletedKey))
        startMainApp();
    else
        showOnboarding();

    // Both subscriptions deliver on a later pass of the event loop, the current channel first.
    if (m_sparkleUpdater) {
        QMetaObject::invokeMethod(
            this,
            [this, channel = m_sparkleUpdater->currentChannel()] { applyUpdateChannel(channel); },
            Qt::QueuedConnection);
        connect(m_sparkleUpdater.get(), &SparkleUpdaterManager::currentChannelChanged, this,
                &AppDelegate::applyUpdateChannel, Qt::QueuedConnection);
    }
    m_lastCrashReportConsent = consent;
    connect(
        m_configManager.get(), &ConfigurationManager::configChanged, this,
        [this](const Configuration& config) {
            applyCrashReportConsent(config.sendAnonymousCrashReports);
        },
        Qt::QueuedConnection);
}

void AppDelegate::applyUpdateChannel(UpdateChannel channel)
{
    if (m_crashReporting && m_crashReporting->isEnabled())
        m_crashReporting->setUpdateChannel(channel);
}

void AppDelegate::applyCrashReportConsent(bool enabled)
{
    // Only changes count: the launch value was handled at launch, and repeats do nothing.
    if (enabled == m_lastCrashReportConsent)
        return;
    m_lastCrashReportConsent = enabled;
    if (!m_crashReporting)
        return;
    if (!enabled) {
        m_crashReporting->close();
        return;
    }
    m_crashReporting->start();
    if (m_sparkleUpdater)
        m_crashReporting->setUpdateChannel(m_sparkleUpdater->currentChannel());
}

void AppDelegate::showOnboarding()
{
    if (OnboardingWindowControllerProtocol* onboarding = onboardingWindowController()) {
        onboarding->show([self = QPointer<AppDelegate>(this)] {
            if (self)
                self->completeOnboarding();
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
    UserDefaults::setValue(onboardingCompletedKey, true);
    startMainApp();
    showMenuBarHint();
}

void AppDelegate::startMainApp()
{
    if (m_mainAppStarted)
        return;
    m_mainAppStarted = true;

    // Absent reads as false. A failed registration is ignored; start-up never unregisters.
    if (!UserDefaults::value(launchAtLoginDisabledKey).toBool())
        m_loginItem->registerItem();

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

    m_components.startActivityMonitor(*m_activityMonitor);
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

// Tray icon.

bool AppDelegate::isTrayAvailable() const
{
    return m_components.isTrayAvailable ? m_components.isTrayAvailable()
                                        : QSystemTrayIcon::isSystemTrayAvailable();
}

void AppDelegate::createStatusItem()
{
    m_statusItem = new QSystemTrayIcon(this);
    // The stand figure until the first redraw follows the engine.
    applyStatusItemContent(StatusItemContent::make(BreakState::idle, 0, false, false));
    connect(m_statusItem, &QSystemTrayIcon::activated, this, &AppDelegate::onStatusItemActivated);
    // Qt shows the icon as soon as a tray host appears, so only say once that there is none.
    if (!isTrayAvailable())
        qCWarning(lcApp) << "No system tray is available; Ostavel keeps timing breaks without its "
                            "tray icon";
    m_statusItem->show();
}

void AppDelegate::onStatusItemActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A double click arrives after the click that already opened the menu.
    if (reason == QSystemTrayIcon::Unknown || reason == QSystemTrayIcon::DoubleClick)
        return;
    prepareStatusMenu();
    m_statusMenu->popup(QCursor::pos());
}

void AppDelegate::prepareStatusMenu()
{
    // Made on the first click, not at start: a menu nobody opens should cost nothing.
    if (!m_statusMenu) {
        m_statusMenu = std::make_unique<QMenu>();
        // The panel follows the engine while it exists: drop it once the menu has closed (after
        // the chosen action has run).
        connect(m_statusMenu.get(), &QMenu::aboutToHide, this, [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_statusMenu && !m_statusMenu->isVisible())
                        clearStatusMenu();
                },
                Qt::QueuedConnection);
        });
    }
    rebuildMenu();
}

bool AppDelegate::isBlocked()
{
    const BreakBlockerManagerProtocol* blockers = breakBlockerManager();
    return blockers && blockers->isActive();
}

void AppDelegate::refreshStatusItem()
{
    updateRedDot(isBlocked());
    updateCountdownTitle();
}

void AppDelegate::updateRedDot(bool visible)
{
    m_redDotVisible = visible;
}

void AppDelegate::updateCountdownTitle()
{
    if (!m_statusItem)
        return;
    const BreakManager& engine = breakManager();
    applyStatusItemContent(StatusItemContent::make(engine.state(), engine.timeUntilBreak(),
                                                   isBlocked(), m_redDotVisible));
}

void AppDelegate::applyStatusItemContent(const StatusItemContent& content)
{
    // Every tick asks; only a change of what is shown costs a redraw.
    if (m_statusItemDrawn && content == m_statusItemContent)
        return;
    m_statusItemDrawn = true;
    m_statusItemContent = content;
    ++m_statusItemRedraws;
    m_statusItem->setIcon(StatusIconPainter::icon(content));
    m_statusItem->setToolTip(content.toolTip);
}

// Status menu.

void AppDelegate::clearStatusMenu()
{
    // clear() deletes the actions the menu owns, with the panel; submenus are children of
    // their own.
    m_statusMenu->clear();
    qDeleteAll(m_statusMenu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
}

void AppDelegate::rebuildMenu()
{
    if (!m_statusMenu)
        return;
    clearStatusMenu();
    QMenu* menu = m_statusMenu.get();
    BreakManager& engine = breakManager();
    const BreakState state = engine.state();

    auto* panel = new QWidgetAction(menu);
    panel->setDefaultWidget(
        new MenuBarStatusView(engine, *m_configManager, breakBlockerManager(), m_clock));
    menu->addAction(panel);
    menu->addSeparator();

    auto add = [this](QMenu* target, const QString& text, void (AppDelegate::*slot)()) {
        QAction* action = target->addAction(text);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    const bool working = state == BreakState::active || state == BreakState::preAlert;
    if (working)
        add(menu, QStringLiteral("Start Break"), &AppDelegate::startBreakAction);
    if (working || state == BreakState::onBreak) {
        add(menu,
            state == BreakState::onBreak ? QStringLiteral("Skip Break")
                                         : QStringLiteral("Skip Next Break"),
            &AppDelegate::skipBreakAction);
        menu->addSeparator();
    }

    if (state == BreakState::disabled) {
        add(menu, QStringLiteral("Re-enable"), &AppDelegate::enableAction);
    } else {
        auto* disable = new QMenu(QStringLiteral("Disable"), menu);
        add(disable, QStringLiteral("For 1 Hour"), &AppDelegate::disableOneHourAction);
        add(disable, QStringLiteral("For 4 Hours"), &AppDelegate::disableFourHoursAction);
        add(disable, QStringLiteral("For the Rest of the Day"),
            &AppDelegate::disableRestOfDayAction);
        menu->addMenu(disable);
    }
    menu->addSeparator();

    add(menu, QStringLiteral("Send Feedback\u2026"), &AppDelegate::sendFeedback);
    menu->addSeparator();
    add(menu, QStringLiteral("Settings\u2026"), &AppDelegate::openSettings)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    add(menu, QStringLiteral("Quit Ostavel"), &AppDelegate::quitApp)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
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
    if (UserDefaults::value(menuBarHintShownKey).toBool())
        return;
    QTimer::singleShot(menuBarHintDelayMs, this, [this] {
        // Without an icon in a tray there is nothing to point at: leave the hint for later.
        if (!m_statusItem || !m_statusItem->isVisible() || !isTrayAvailable())
            return;
        UserDefaults::setValue(menuBarHintShownKey, true);
        dismissMenuBarHint();
        m_menuBarHint = std::make_unique<MenuBarHintView>();
        m_menuBarHint->showNear(m_statusItem->geometry());

        if (!m_pointerButtons && m_components.makePointerButtonState)
            m_pointerButtons = m_components.makePointerButtonState();
        if (m_pointerButtons) {
            m_hintClickMonitor = new QTimer(this);
            m_hintClickMonitor->setInterval(hintClickPollMs);
            connect(m_hintClickMonitor, &QTimer::timeout, this, &AppDelegate::pollHintClick);
            m_hintClickMonitor->start();
        }
    });
}

void AppDelegate::pollHintClick()
{
    if (!m_pointerButtons || !m_pointerButtons->anyButtonPressed())
        return;
    // Like a monitor of other applications' clicks: presses on our own windows (the hint, the
    // menu) and on the tray icon leave the hint open.
    const QPoint pos = QCursor::pos();
    if (QApplication::topLevelAt(pos))
        return;
    if (m_statusItem && m_statusItem->geometry().contains(pos))
        return;
    dismissMenuBarHint();
}

void AppDelegate::dismissMenuBarHint()
{
    if (m_menuBarHint) {
        m_menuBarHint->close();
        m_menuBarHint.reset();
    }
    if (m_hintClickMonitor) {
        m_hintClickMonitor->stop();
        m_hintClickMonitor->deleteLater();
    }
}
