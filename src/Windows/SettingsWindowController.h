#pragma once

#include "Views/SettingsEnvironment.h"
#include "Windows/WindowController.h"

#include <QPointer>
#include <QWidget>

class ConfigurationManager;
class SettingsView;
class SparkleUpdaterManager;

// The "Ostavel Settings" window: 500 x 520, titled and closable only, above other windows,
// centred when built. The window is built on the first show() and freed once the user closes
// it, so a closed window costs nothing; the next show() builds a new one with a fresh view
// (first tab, groups closed). While it is open, show() only brings it forward. Main thread.
class SettingsWindowController final : public WindowController {
public:
    static constexpr int windowWidth = 500;
    static constexpr int windowHeight = 520;

    // The updater may be null (a build without one).
    SettingsWindowController(ConfigurationManager& configManager,
                             SparkleUpdaterManager* sparkleUpdater,
                             SettingsEnvironment environment = {});
    ~SettingsWindowController() override;

    void show() override;
    // Closes the window, which frees it.
    void dismiss() override;

    // Null while no window is open.
    QWidget* window() const { return m_window; }
    SettingsView* view() const;

private:
    ConfigurationManager& m_configManager;
    SparkleUpdaterManager* m_sparkleUpdater;
    SettingsEnvironment m_environment;
    QPointer<QWidget> m_window;
};
