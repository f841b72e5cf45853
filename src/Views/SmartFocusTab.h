#pragma once

#include "Configuration/AppEntry.h"
#include "Platform/InstalledApplications.h"
#include "Views/SettingsEnvironment.h"

#include <QFutureWatcher>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <memory>

class AppListView;
class ApplicationIconLoader;
class ApplicationPickerDialog;
class ConfigurationManager;
class DisclosureGroup;
class FormSection;
class QPushButton;
class ToggleSwitch;
struct Configuration;

// The "Smart Focus" tab: the full-screen, meeting and listed-application rules with their
// switches, and the meeting, exclusion and blocking lists. Each edit is one assignment of the
// configuration; adding an application already in that list changes and writes nothing.
class SmartFocusTab : public QWidget {
    Q_OBJECT

public:
    using AppListField = QList<AppEntry> Configuration::*;

    SmartFocusTab(ConfigurationManager& configManager, SettingsEnvironment environment,
                  QWidget* parent = nullptr);
    ~SmartFocusTab() override;

    // Shows `config` without writing anything.
    void refresh(const Configuration& config);

    // The list edits.
    void addApp(AppListField field, const AppEntry& entry);
    void removeApp(AppListField field, const AppEntry& entry);
    void resetApps(AppListField field, const QList<AppEntry>& defaults);

    // Shows the picker (or the injected one); `done` runs once when it closes.
    void pickApplication(SettingsEnvironment::PickerCompletion done);
    // The icon of a row: the installed application's, else the "app" symbol.
    QIcon appIcon(const QString& bundleIdentifier);

    ToggleSwitch* fullscreenSwitch() const { return m_fullscreenSwitch; }
    ToggleSwitch* meetingSwitch() const { return m_meetingSwitch; }
    ToggleSwitch* appsSwitch() const { return m_appsSwitch; }
    DisclosureGroup* meetingGroup() const { return m_meetingGroup; }
    DisclosureGroup* exclusionGroup() const { return m_exclusionGroup; }
    DisclosureGroup* blockerGroup() const { return m_blockerGroup; }
    AppListView* meetingList() const { return m_meetingList; }
    AppListView* exclusionList() const { return m_exclusionList; }
    AppListView* blockerList() const { return m_blockerList; }
    QPushButton* meetingResetButton() const { return m_meetingReset; }
    QPushButton* exclusionResetButton() const { return m_exclusionReset; }
    // The picker dialog while it is open.
    ApplicationPickerDialog* picker() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppListView* makeList(AppListField field);
    void loadInstalledApplications();
    void onInstalledApplicationsLoaded();

    ConfigurationManager& m_configManager;
    SettingsEnvironment m_environment;
    std::unique_ptr<ApplicationIconLoader> m_icons;
    QHash<QString, QString> m_iconNames;
    QFutureWatcher<QList<InstalledApplication>> m_loading;
    bool m_loadStarted = false;
    QPointer<ApplicationPickerDialog> m_picker;

    FormSection* m_form = nullptr;
    ToggleSwitch* m_fullscreenSwitch = nullptr;
    ToggleSwitch* m_meetingSwitch = nullptr;
    ToggleSwitch* m_appsSwitch = nullptr;
    DisclosureGroup* m_meetingGroup = nullptr;
    DisclosureGroup* m_exclusionGroup = nullptr;
    DisclosureGroup* m_blockerGroup = nullptr;
    AppListView* m_meetingList = nullptr;
    AppListView* m_exclusionList = nullptr;
    AppListView* m_blockerList = nullptr;
    QPushButton* m_meetingReset = nullptr;
    QPushButton* m_exclusionReset = nullptr;
};
