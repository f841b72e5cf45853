#pragma once

#include "Views/SettingsEnvironment.h"

#include <QWidget>

class ConfigurationManager;
class OthersTab;
class QLabel;
class QTabWidget;
class SmartFocusTab;
class SparkleUpdaterManager;
class TimingTab;

// The settings window's content: the tabs "Timing", "Smart Focus" and "Others". Every control
// edits by one assignment of the whole configuration; building the view or following a change
// made elsewhere (another view, onboarding, a preset) writes nothing. Several views may edit one
// manager at once and each follows the others. Main thread.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    // The updater may be null (a build without one): the update controls are then disabled.
    SettingsView(ConfigurationManager& configManager, SparkleUpdaterManager* sparkleUpdater,
                 SettingsEnvironment environment, QWidget* parent = nullptr);
    ~SettingsView() override;

    QTabWidget* tabs() const { return m_tabs; }
    TimingTab* timingTab() const { return m_timingTab; }
    SmartFocusTab* smartFocusTab() const { return m_smartFocusTab; }
    OthersTab* othersTab() const { return m_othersTab; }
    // The line shown above the tabs while the settings cannot be saved.
    QLabel* saveNotice() const { return m_saveNotice; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_saveNotice = nullptr;
    QTabWidget* m_tabs = nullptr;
    TimingTab* m_timingTab = nullptr;
    SmartFocusTab* m_smartFocusTab = nullptr;
    OthersTab* m_othersTab = nullptr;
};
