#pragma once

#include <functional>
#include <memory>

class ActivityMonitorProtocol;
class BreakBlockerManagerProtocol;
class BreakManager;
class Clock;
class ConfigurationManager;
class CrashReportingProtocol;
class FeedbackSenderProtocol;
class LoginItem;
class OnboardingWindowControllerProtocol;
class PointerButtonState;
class ServiceTimer;
class SoundPlayer;
class StatusNotifierItem;
class TrayHostWatcher;
class SparkleUpdaterManager;
class UpdateWindowController;
class WindowController;

// What the application delegate is built from. OstavelApp fills it with the Linux
// implementations; tests fill it with fakes. Factories run when the delegate first needs the
// object, in the order the delegate documents; an empty optional factory means "not part of this
// build" and the delegate skips that step.
struct AppComponents {
    // Required.
    const Clock* clock = nullptr;
    std::function<std::unique_ptr<ActivityMonitorProtocol>()> makeActivityMonitor;
    std::function<std::unique_ptr<LoginItem>()> makeLoginItem;
    std::function<std::unique_ptr<SoundPlayer>()> makeSoundPlayer;

    // Optional.
    std::function<std::unique_ptr<SparkleUpdaterManager>()> makeUpdater;
    // Shows the updater's prompts; built right after the updater.
    std::function<std::unique_ptr<UpdateWindowController>(SparkleUpdaterManager&)>
        makeUpdateWindowController;
    std::function<std::unique_ptr<CrashReportingProtocol>()> makeCrashReporting;
    std::function<std::unique_ptr<BreakBlockerManagerProtocol>(ConfigurationManager&)>
        makeBreakBlockerManager;
    std::function<std::unique_ptr<PointerButtonState>()> makePointerButtonState;
    // Without a watcher no tray host is seen and there is no icon; without an item,
    // StatusNotifierItem hosts are not used.
    std::function<std::unique_ptr<TrayHostWatcher>()> makeTrayHostWatcher;
    std::function<std::unique_ptr<StatusNotifierItem>()> makeStatusNotifierItem;
    // The one-shot timers of the tray and the first-run hint. Default: Qt timers.
    std::function<std::unique_ptr<ServiceTimer>()> makeTimer;

    std::function<std::unique_ptr<WindowController>(BreakManager&)> makeBreakWindowController;
    std::function<std::unique_ptr<WindowController>(BreakManager&)> makePreAlertWindowController;
    std::function<std::unique_ptr<WindowController>(BreakManager&)> makeCursorAlertWindowController;
    std::function<std::unique_ptr<OnboardingWindowControllerProtocol>(ConfigurationManager&)>
        makeOnboardingWindowController;
    std::function<std::unique_ptr<WindowController>(ConfigurationManager&, SparkleUpdaterManager*)>
        makeSettingsWindowController;
    // Given crash reporting's feedback sender; null without crash reporting.
    std::function<std::unique_ptr<WindowController>(FeedbackSenderProtocol*)>
        makeFeedbackWindowController;

    // Default: QCoreApplication::quit().
    std::function<void()> quit;
};
