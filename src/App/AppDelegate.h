#pragma once

#include "App/AppComponents.h"
#include "App/Lazy.h"
#include "App/StatusMenuCommands.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class ActivityMonitorProtocol;
class BreakBlockerManagerProtocol;
class BreakManager;
class ConfigurationManager;
class CrashReportingConsent;
class CrashReportingProtocol;
class FeedbackSenderProtocol;
class LoginItem;
class MenuBarHintController;
class OnboardingWindowControllerProtocol;
class ServiceTimer;
class SoundPlayer;
class SparkleUpdaterManager;
class StatusItemController;
class StatusMenuController;
class UpdateWindowController;
class WindowController;

// The application shell. Owns every long-lived object for the life of the process, launches the
// direct or the onboarding path, starts the main application once (login item, tray icon and its
// menu, the engine and its callbacks), and turns the engine's callbacks into windows and sounds.
// CrashReportingConsent keeps crash reporting in step with the user's consent and the update
// channel.
//
// The tray is three controllers that know nothing of the delegate: the icon, the menu (whose
// commands are the delegate's actions) and the first-run hint. startMainApp() makes them and wires
// them to each other.
//
// Main thread only. Window controllers are built on first use from the factories in
// AppComponents; a missing factory means that window is not part of this build.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Creates the configuration manager (loading the stored settings), the activity monitor, the
    // updater and its window controller, crash reporting, the login item and the sound player, in
    // that order; the engine, the blocker manager and the other windows are built on first use.
    explicit AppDelegate(AppComponents components, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence: crash reporting, "Ostavel launched", the direct or onboarding path,
    // then the update-channel and consent subscriptions.
    void applicationDidFinishLaunching();
    void showOnboarding();
    // Runs once per process; later calls do nothing.
    void startMainApp();
    bool isMainAppStarted() const { return m_mainAppStarted; }
    void playSound(const QString& name);

    // Once per user, a second from now, if there is a tray icon to point at by then.
    void showMenuBarHint();

    ConfigurationManager& configManager() { return *m_configManager; }
    ActivityMonitorProtocol& activityMonitor() { return *m_activityMonitor; }
    // Null in a build without an updater.
    SparkleUpdaterManager* sparkleUpdater() const { return m_sparkleUpdater.get(); }
    // Built on first use; null when this build has no blocker manager.
    BreakBlockerManagerProtocol* breakBlockerManager();
    // Built on first use.
    BreakManager& breakManager();
    // Built on first use; null until those windows are part of the build.
    WindowController* breakWindowController();
    WindowController* preAlertWindowController();
    WindowController* cursorAlertWindowController();
    OnboardingWindowControllerProtocol* onboardingWindowController();
    WindowController* settingsWindowController();
    WindowController* feedbackWindowController();

    // The tray: the icon, its menu and the first-run hint. Null until startMainApp().
    StatusItemController* statusItemController() const { return m_statusItems.get(); }
    StatusMenuController* statusMenuController() const { return m_statusMenu.get(); }
    MenuBarHintController* menuBarHintController() const { return m_menuBarHints.get(); }

public slots:
    void startBreakAction();
    void skipBreakAction();
    void disableOneHourAction();
    void disableFourHoursAction();
    void disableRestOfDayAction();
    void enableAction();
    void sendFeedback();
    void openSettings();
    void quitApp();

private:
    void createStatusItem();
    StatusMenuCommands menuCommands();
    void wireEngineCallbacks();
    void completeOnboarding();
    void refreshStatusItem();
    bool isBlocked();

    AppComponents m_components;
    const Clock& m_clock;

    // Declared so that everything is destroyed before what it refers to.
    std::unique_ptr<ConfigurationManager> m_configManager;
    std::unique_ptr<ActivityMonitorProtocol> m_activityMonitor;
    std::unique_ptr<SparkleUpdaterManager> m_sparkleUpdater;
    std::unique_ptr<UpdateWindowController> m_updateWindowController;
    std::unique_ptr<CrashReportingProtocol> m_crashReporting;
    std::unique_ptr<CrashReportingConsent> m_crashReportingConsent;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<SoundPlayer> m_soundPlayer;
    Lazy<BreakBlockerManagerProtocol, ConfigurationManager&> m_breakBlockerManager;
    Lazy<BreakManager> m_breakManager;

    Lazy<WindowController, BreakManager&> m_breakWindowController;
    Lazy<WindowController, BreakManager&> m_preAlertWindowController;
    Lazy<WindowController, BreakManager&> m_cursorAlertWindowController;
    Lazy<OnboardingWindowControllerProtocol, ConfigurationManager&> m_onboardingWindowController;
    Lazy<WindowController, ConfigurationManager&, SparkleUpdaterManager*>
        m_settingsWindowController;
    Lazy<WindowController, FeedbackSenderProtocol*> m_feedbackWindowController;

    std::unique_ptr<StatusItemController> m_statusItems;
    std::unique_ptr<StatusMenuController> m_statusMenu;
    std::unique_ptr<MenuBarHintController> m_menuBarHints;
    // The hint's one-second waits, one per call.
    std::vector<std::unique_ptr<ServiceTimer>> m_menuBarHintWaits;

    bool m_mainAppStarted = false;
};
