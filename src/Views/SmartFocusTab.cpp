#include "Views/SmartFocusTab.h"

#include "Configuration/ConfigurationManager.h"
#include "Views/AppListView.h"
#include "Views/ApplicationIconLoader.h"
#include "Views/ApplicationPickerDialog.h"
#include "Views/ConfigurationEdit.h"
#include "Views/DisclosureGroup.h"
#include "Views/FormSection.h"
#include "Views/InfoTip.h"
#include "Views/SymbolImage.h"
#include "Views/ToggleSwitch.h"

#include <QLoggingCategory>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {
Q_LOGGING_CATEGORY(lcSmartFocus, "com.ostavel.app.SmartFocus", QtWarningMsg)

ToggleSwitch* switchFor(const QString& label, bool Configuration::*field,
                        ConfigurationManager& manager)
{
    auto* toggle = new ToggleSwitch;
    toggle->setAccessibleName(label);
    QObject::connect(toggle, &ToggleSwitch::clicked, toggle, [&manager, field](bool on) {
        editConfiguration(manager, [field, on](Configuration& c) { c.*field = on; });
    });
    return toggle;
}

QPushButton* resetButton(QWidget* parent)
{
    auto* button = new QPushButton(QStringLiteral("Reset to Defaults"), parent);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}
} // namespace

SmartFocusTab::SmartFocusTab(ConfigurationManager& configManager, SettingsEnvironment environment,
                             QWidget* parent)
    : QWidget(parent)
    , m_configManager(configManager)
    , m_environment(std::move(environment))
    , m_icons(std::make_unique<ApplicationIconLoader>(m_environment.pixmapDirs))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    m_form = new FormSection({}, this);

    const QString fullscreenText = QStringLiteral("Pause for fullscreen apps");
    m_fullscreenSwitch =
        switchFor(fullscreenText, &Configuration::breakBlockFullscreenEnabled, m_configManager);
    m_form->addRow(FormSection::controlRow(fullscreenText, m_fullscreenSwitch));

    const QString meetingText = QStringLiteral("Pause for meetings (camera/mic in use)");
    m_meetingGroup = new DisclosureGroup(meetingText);
    m_meetingGroup->headerLayout()->addStretch(1);
    m_meetingSwitch =
        switchFor(meetingText, &Configuration::breakBlockMeetingEnabled, m_configManager);
    m_meetingGroup->headerLayout()->addWidget(m_meetingSwitch);
    m_meetingList = makeList(&Configuration::meetingApps);
    m_meetingGroup->contentLayout()->addWidget(m_meetingList);
    m_meetingReset = resetButton(m_meetingGroup->content());
    connect(m_meetingReset, &QPushButton::clicked, this,
            [this] { resetApps(&Configuration::meetingApps, AppEntry::defaultMeetingApps()); });
    m_meetingGroup->contentLayout()->addWidget(m_meetingReset);
    m_form->addRow(m_meetingGroup);

    m_exclusionGroup =
        new DisclosureGroup(QStringLiteral("Ignore mic/camera when these apps are open"));
    // Our platform's example is the audio effects app that keeps the microphone open.
    m_exclusionGroup->headerLayout()->addWidget(new InfoTip(QStringLiteral(
        "When an app in this list is running, mic/camera activity is ignored for meeting "
        "detection. Useful for apps like EasyEffects that use the mic without being a meeting.")));
    m_exclusionGroup->headerLayout()->addStretch(1);
    m_exclusionList = makeList(&Configuration::meetingExclusionApps);
    m_exclusionGroup->contentLayout()->addWidget(m_exclusionList);
    m_exclusionReset = resetButton(m_exclusionGroup->content());
    connect(m_exclusionReset, &QPushButton::clicked, this, [this] {
        resetApps(&Configuration::meetingExclusionApps, AppEntry::defaultMeetingExclusionApps());
    });
    m_exclusionGroup->contentLayout()->addWidget(m_exclusionReset);
    m_form->addRow(m_exclusionGroup);

    const QString appsText = QStringLiteral("Pause when specific apps are running");
    m_blockerGroup = new DisclosureGroup(appsText);
    m_blockerGroup->headerLayout()->addStretch(1);
    m_appsSwitch = switchFor(appsText, &Configuration::breakBlockAppsEnabled, m_configManager);
    m_blockerGroup->headerLayout()->addWidget(m_appsSwitch);
    m_blockerList = makeList(&Configuration::breakBlockerApps);
    m_blockerGroup->contentLayout()->addWidget(m_blockerList);
    m_form->addRow(m_blockerGroup);

    layout->addWidget(m_form);
    layout->addStretch(1);

    connect(&m_loading, &QFutureWatcher<QList<InstalledApplication>>::finished, this,
            &SmartFocusTab::onInstalledApplicationsLoaded);
    connect(&m_configManager, &ConfigurationManager::configChanged, this, &SmartFocusTab::refresh);
    refresh(m_configManager.config());
}

SmartFocusTab::~SmartFocusTab()
{
    m_loading.disconnect(this);
    // The picker belongs to the window; one still open reports nothing to a tab that is gone.
    if (m_picker)
        m_picker->disconnect(this);
}

AppListView* SmartFocusTab::makeList(AppListField field)
{
    auto* list = new AppListView([this](const QString& id) { return appIcon(id); });
    connect(list, &AppListView::removeRequested, this,
            [this, field](const AppEntry& entry) { removeApp(field, entry); });
    connect(list, &AppListView::addRequested, this, [this, field] {
        pickApplication([this, field](std::optional<AppEntry> entry) {
            if (entry)
                addApp(field, *entry);
        });
    });
    return list;
}

void SmartFocusTab::refresh(const Configuration& config)
{
    m_fullscreenSwitch->setChecked(config.breakBlockFullscreenEnabled);
    m_meetingSwitch->setChecked(config.breakBlockMeetingEnabled);
    m_appsSwitch->setChecked(config.breakBlockAppsEnabled);
    // Hidden, not removed: the group keeps its open state and its list for when it returns.
    m_form->setRowVisible(m_exclusionGroup, config.breakBlockMeetingEnabled);
    m_meetingList->setApps(config.meetingApps);
    m_exclusionList->setApps(config.meetingExclusionApps);
    m_blockerList->setApps(config.breakBlockerApps);
    m_meetingReset->setVisible(config.meetingApps != AppEntry::defaultMeetingApps());
    m_exclusionReset->setVisible(config.meetingExclusionApps !=
                                 AppEntry::defaultMeetingExclusionApps());
}

void SmartFocusTab::addApp(AppListField field, const AppEntry& entry)
{
    const QList<AppEntry>& list = m_configManager.config().*field;
    const bool present = std::any_of(list.begin(), list.end(), [&entry](const AppEntry& e) {
        return e.bundleIdentifier == entry.bundleIdentifier;
    });
    if (present)
        return;
    editConfiguration(m_configManager,
                      [field, &entry](Configuration& c) { (c.*field).append(entry); });
}

void SmartFocusTab::removeApp(AppListField field, const AppEntry& entry)
{
    editConfiguration(m_configManager, [field, &entry](Configuration& c) {
        (c.*field).removeIf(
            [&entry](const AppEntry& e) { return e.bundleIdentifier == entry.bundleIdentifier; });
    });
}

void SmartFocusTab::resetApps(AppListField field, const QList<AppEntry>& defaults)
{
    editConfiguration(m_configManager,
                      [field, &defaults](Configuration& c) { c.*field = defaults; });
}

void SmartFocusTab::pickApplication(SettingsEnvironment::PickerCompletion done)
{
    if (m_environment.pickApplication) {
        m_environment.pickApplication(window(), std::move(done));
        return;
    }
    // One picker at a time: a second "Add App..." replaces the first, which picks nothing.
    if (m_picker)
        m_picker->reject();
    auto* picker =
        new ApplicationPickerDialog(m_environment.applications, m_environment.pixmapDirs, window());
    connect(picker, &ApplicationPickerDialog::picked, this,
            [done = std::move(done)](const std::optional<AppEntry>& entry) { done(entry); });
    m_picker = picker;
    picker->show();
    picker->raise();
    picker->activateWindow();
}

ApplicationPickerDialog* SmartFocusTab::picker() const
{
    return m_picker;
}

QIcon SmartFocusTab::appIcon(const QString& bundleIdentifier)
{
    const auto found = m_iconNames.constFind(bundleIdentifier);
    if (found == m_iconNames.constEnd())
        return ApplicationIconLoader::genericIcon();
    return m_icons->icon(*found);
}

void SmartFocusTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    loadInstalledApplications();
}

void SmartFocusTab::loadInstalledApplications()
{
    if (m_loadStarted || !m_environment.applications)
        return;
    m_loadStarted = true;
    m_loading.setFuture(QtConcurrent::run([applications = m_environment.applications] {
        // An exception left in the future would be rethrown into the event loop by result().
        try {
            return applications->applications();
        } catch (...) {
            qCWarning(lcSmartFocus, "The installed applications could not be read");
            return QList<InstalledApplication>();
        }
    }));
}

void SmartFocusTab::onInstalledApplicationsLoaded()
{
    for (const InstalledApplication& app : m_loading.result())
        m_iconNames.insert(app.id, app.iconName);
    for (AppListView* list : {m_meetingList, m_exclusionList, m_blockerList})
        list->refreshIcons();
}
