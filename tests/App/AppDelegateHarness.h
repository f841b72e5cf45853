#pragma once

#include "App/AppDelegate.h"
#include "App/MenuBarHintController.h"
#include "App/StatusItemController.h"
#include "App/StatusMenuController.h"
#include "AppFakes.h"
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/UserDefaults.h"
#include "FakeActivityMonitor.h"
#include "FakeBreakBlockerManager.h"
#include "FakeClock.h"
#include "FakeLoginItem.h"
#include "FakePointerButtonState.h"
#include "FakeServiceTimeline.h"
#include "FakeStatusNotifierItem.h"
#include "FakeTrayHostWatcher.h"
#include "Platform/ServiceTimer.h"
#include "Services/Update/AppcastFetcher.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "UserDefaultsReset.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

// A delegate on fakes. The fakes are owned by the delegate; the fixture keeps pointers to them
// and one story that the windows, sounds and crash reporting all write into. The tray's timers
// run on the fixture's time line: `timers.advance()` moves it.
class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override { resetUserDefaults(); }

    AppComponents components()
    {
        AppComponents c;
        c.clock = &clock;
        c.makeActivityMonitor = [this] {
            auto monitor = std::make_unique<FakeActivityMonitor>();
            activity = monitor.get();
            return monitor;
        };
        c.makeLoginItem = [this] {
            auto item = std::make_unique<FakeLoginItem>();
            loginItem = item.get();
            return item;
        };
        c.makeSoundPlayer = [this] { return std::make_unique<RecordingSoundPlayer>(story); };
        c.makeUpdater = [this] {
            // A "dev" build's updater: the channel works, nothing is ever fetched.
            auto manager = std::make_unique<SparkleUpdaterManager>(
                SparkleUpdaterManager::Environment{QStringLiteral("dev"), {}, nullptr, nullptr});
            updater = manager.get();
            return manager;
        };
        c.makeCrashReporting = [this] {
            auto reporting = std::make_unique<FakeCrashReporting>(story);
            crash = reporting.get();
            return reporting;
        };
        c.makeBreakBlockerManager = [this](ConfigurationManager&) {
            auto manager = std::make_unique<FakeBreakBlockerManager>();
            blockers = manager.get();
            return manager;
        };
        c.makePointerButtonState = [this] {
            auto pointer = std::make_unique<FakePointerButtonState>();
            pointer->watchable = pointerWatchable;
            pointerButtons = pointer.get();
            return pointer;
        };
        if (useStatusNotifierItem) {
            c.makeStatusNotifierItem = [this] {
                auto item = std::make_unique<FakeStatusNotifierItem>();
                statusNotifierItem = item.get();
                return item;
            };
        }
        c.makeBreakWindowController = [this](BreakManager&) {
            return std::make_unique<RecordingWindowController>(story, QStringLiteral("break"));
        };
        c.makePreAlertWindowController = [this](BreakManager&) {
            return std::make_unique<RecordingWindowController>(story, QStringLiteral("preAlert"));
        };
        c.makeCursorAlertWindowController = [this](BreakManager&) {
            return std::make_unique<RecordingWindowController>(story,
                                                               QStringLiteral("cursorAlert"));
        };
        c.makeTrayHostWatcher = [this] {
            auto watcher = std::make_unique<FakeTrayHostWatcher>();
            watcher->xembed = trayAvailable;
            trayHosts = watcher.get();
            return watcher;
        };
        c.makeTimer = timers.factory();
        c.quit = [this] { ++quitCalls; };
        return c;
    }

    AppDelegate& delegate()
    {
        if (!m_delegate)
            m_delegate = std::make_unique<AppDelegate>(components());
        return *m_delegate;
    }
    void makeDelegate(AppComponents c) { m_delegate = std::make_unique<AppDelegate>(std::move(c)); }
    void destroyDelegate() { m_delegate.reset(); }

    BreakManager& engine() { return delegate().breakManager(); }
    // The first-run hint on screen; null while there is none.
    MenuBarHintView* hint()
    {
        MenuBarHintController* hints = delegate().menuBarHintController();
        return hints ? hints->view() : nullptr;
    }

    void configure(const std::function<void(Configuration&)>& edit)
    {
        Configuration c = delegate().configManager().config();
        edit(c);
        delegate().configManager().setConfig(c);
    }

    // A whole cycle in seconds: 3 s of work, a 3 s pre-alert with the cursor countdown in its last
    // second, then a 2 s break, never a long one.
    void configureShortCycle()
    {
        configure([](Configuration& c) {
            c.workDurationSeconds = 6;
            c.preAlertDurationSeconds = 3;
            c.cursorAlertDurationSeconds = 1;
            c.breakDurationSeconds = 2;
            c.longBreakEnabled = false;
        });
    }

    // Runs what the delegate queued for the next pass of the event loop.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    FakeClock clock;
    FakeServiceTimeline timers;
    QStringList story;
    // Whether an XEmbed tray is up when the tray starts watching.
    bool trayAvailable = true;
    int quitCalls = 0;
    FakeActivityMonitor* activity = nullptr;
    FakeLoginItem* loginItem = nullptr;
    SparkleUpdaterManager* updater = nullptr;
    FakeCrashReporting* crash = nullptr;
    FakeBreakBlockerManager* blockers = nullptr;
    FakePointerButtonState* pointerButtons = nullptr;
    // Whether the desktop reports presses, rather than the hint polling for them.
    bool pointerWatchable = false;
    // Whether the tray can use a StatusNotifierItem (the fake below) as well as an XEmbed tray.
    bool useStatusNotifierItem = false;
    FakeStatusNotifierItem* statusNotifierItem = nullptr;
    FakeTrayHostWatcher* trayHosts = nullptr;

private:
    std::unique_ptr<AppDelegate> m_delegate;
};
