#include "Views/OthersTab.h"

#include "Configuration/AppVersion.h"
#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "Platform/LoginItem.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "Views/ConfigurationEdit.h"
#include "Views/FormSection.h"
#include "Views/TextStyle.h"
#include "Views/ToggleSwitch.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* captionLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(textStyleFont(TextStyle::caption));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}
} // namespace

OthersTab::OthersTab(ConfigurationManager& configManager, SparkleUpdaterManager* sparkleUpdater,
                     std::shared_ptr<LoginItem> loginItem, QWidget* parent)
    : QWidget(parent)
    , m_configManager(configManager)
    , m_updater(sparkleUpdater)
    , m_loginItem(std::move(loginItem))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(16);

    auto* login = new FormSection({}, this);
    m_launchAtLogin = new ToggleSwitch;
    m_launchAtLogin->setEnabled(m_loginItem != nullptr);
    // clicked() comes only from the user, never from a refresh of the toggle.
    connect(m_launchAtLogin, &ToggleSwitch::clicked, this, &OthersTab::setLaunchAtLogin);
    login->addRow(FormSection::controlRow(QStringLiteral("Launch at Login"), m_launchAtLogin));
    layout->addWidget(login);

    auto* privacy = new FormSection(QStringLiteral("Privacy"), this);
    m_crashReports = new ToggleSwitch;
    connect(m_crashReports, &ToggleSwitch::clicked, this, [this](bool on) {
        editConfiguration(m_configManager,
                          [on](Configuration& c) { c.sendAnonymousCrashReports = on; });
    });
    auto* crashRows = new QWidget;
    auto* crashLayout = new QVBoxLayout(crashRows);
    crashLayout->setContentsMargins(0, 0, 0, 0);
    crashLayout->addWidget(
        FormSection::controlRow(QStringLiteral("Send Anonymous Crash Reports"), m_crashReports));
    crashLayout->addWidget(captionLabel(QStringLiteral(
        "Help improve Ostavel by sending anonymous crash reports and performance data.")));
    privacy->addRow(crashRows);
    layout->addWidget(privacy);

    auto* update = new FormSection(QStringLiteral("Software Update"), this);
    m_version = new QLabel(AppVersion::current());
    m_version->setTextFormat(Qt::PlainText);
    m_version->setForegroundRole(QPalette::PlaceholderText);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    update->addRow(FormSection::controlRow(QStringLiteral("Version"), m_version));

    m_checkNow = new QPushButton(QStringLiteral("Check Now"));
    connect(m_checkNow, &QPushButton::clicked, this, [this] {
        if (m_updater)
            m_updater->checkForUpdates();
    });
    update->addRow(FormSection::controlRow(QStringLiteral("Check for Updates"), m_checkNow));

    // A segmented control: two exclusive buttons side by side, 160 px together.
    auto* channels = new QWidget;
    channels->setFixedWidth(160);
    auto* channelLayout = new QHBoxLayout(channels);
    channelLayout->setContentsMargins(0, 0, 0, 0);
    channelLayout->setSpacing(0);
    auto* group = new QButtonGroup(channels);
    m_stable = new QPushButton(QStringLiteral("Stable"));
    m_beta = new QPushButton(QStringLiteral("Beta"));
    for (QPushButton* segment : {m_stable, m_beta}) {
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(segment);
        channelLayout->addWidget(segment);
    }
    group->setExclusive(true);
    connect(m_stable, &QPushButton::clicked, this, [this] {
        if (m_updater) {
            m_updater->setCurrentChannel(UpdateChannel::stable);
            m_configManager.noteSave(!UserDefaults::writesFailing());
        }
        refreshUpdater();
    });
    connect(m_beta, &QPushButton::clicked, this, [this] {
        if (m_updater) {
            m_updater->setCurrentChannel(UpdateChannel::beta);
            m_configManager.noteSave(!UserDefaults::writesFailing());
        }
        refreshUpdater();
    });
    auto* channelRows = new QWidget;
    auto* channelRowsLayout = new QVBoxLayout(channelRows);
    channelRowsLayout->setContentsMargins(0, 0, 0, 0);
    channelRowsLayout->addWidget(
        FormSection::controlRow(QStringLiteral("Update Channel"), channels));
    m_betaWarning = captionLabel(
        QStringLiteral("Beta releases may contain bugs and are not recommended for daily use."));
    channelRowsLayout->addWidget(m_betaWarning);
    update->addRow(channelRows);
    layout->addWidget(update);
    layout->addStretch(1);

    connect(&m_configManager, &ConfigurationManager::configChanged, this,
            &OthersTab::refreshConfiguration);
    if (m_updater) {
        connect(m_updater, &SparkleUpdaterManager::currentChannelChanged, this,
                &OthersTab::refreshUpdater);
        connect(m_updater, &SparkleUpdaterManager::canCheckForUpdatesChanged, this,
                &OthersTab::refreshUpdater);
    }
    refreshConfiguration(m_configManager.config());
    refreshUpdater();
    refreshLaunchAtLogin();
}

void OthersTab::refreshConfiguration(const Configuration& config)
{
    m_crashReports->setChecked(config.sendAnonymousCrashReports);
}

void OthersTab::refreshUpdater()
{
    const bool beta = m_updater && m_updater->currentChannel() == UpdateChannel::beta;
    m_checkNow->setEnabled(m_updater && m_updater->canCheckForUpdates());
    m_stable->setEnabled(m_updater != nullptr);
    m_beta->setEnabled(m_updater != nullptr);
    m_stable->setChecked(!beta);
    m_beta->setChecked(beta);
    m_betaWarning->setVisible(beta);
}

void OthersTab::refreshLaunchAtLogin()
{
    m_launchAtLogin->setChecked(m_loginItem && m_loginItem->isRegistered());
}

void OthersTab::setLaunchAtLogin(bool enabled)
{
    if (!m_loginItem)
        return;
    // The key changes only when the item did; a failure leaves both as they were, so a refused
    // registration never turns launch at login off behind the user's back.
    if (enabled) {
        if (m_loginItem->registerItem())
            m_configManager.noteSave(UserDefaults::remove(StoreKeys::launchAtLoginDisabled));
    } else {
        if (m_loginItem->unregisterItem())
            m_configManager.noteSave(
                UserDefaults::setValue(StoreKeys::launchAtLoginDisabled, true));
    }
    refreshLaunchAtLogin();
}
