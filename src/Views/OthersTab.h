#pragma once

#include <QWidget>
#include <memory>

class ConfigurationManager;
class LoginItem;
class QButtonGroup;
class QLabel;
class QPushButton;
class SparkleUpdaterManager;
class ToggleSwitch;
struct Configuration;

// The "Others" tab: launch at login, the crash-report opt-in and software update (version,
// manual check, channel). Launch at login is the login item's own state: the toggle shows what
// the item reports, and only a click of the user changes the item and
// StoreKeys::launchAtLoginDisabled.
class OthersTab : public QWidget {
    Q_OBJECT

public:
    // The login item and the updater may be null; their controls are then disabled.
    OthersTab(ConfigurationManager& configManager, SparkleUpdaterManager* sparkleUpdater,
              std::shared_ptr<LoginItem> loginItem, QWidget* parent = nullptr);

    // Reads the login item's status into the toggle; writes nothing.
    void refreshLaunchAtLogin();
    void setLaunchAtLogin(bool enabled);

    ToggleSwitch* launchAtLoginSwitch() const { return m_launchAtLogin; }
    ToggleSwitch* crashReportsSwitch() const { return m_crashReports; }
    QLabel* versionLabel() const { return m_version; }
    QPushButton* checkNowButton() const { return m_checkNow; }
    QPushButton* stableButton() const { return m_stable; }
    QPushButton* betaButton() const { return m_beta; }
    QLabel* betaWarning() const { return m_betaWarning; }

private:
    void refreshConfiguration(const Configuration& config);
    void refreshUpdater();

    ConfigurationManager& m_configManager;
    SparkleUpdaterManager* m_updater;
    std::shared_ptr<LoginItem> m_loginItem;
    ToggleSwitch* m_launchAtLogin = nullptr;
    ToggleSwitch* m_crashReports = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_checkNow = nullptr;
    QPushButton* m_stable = nullptr;
    QPushButton* m_beta = nullptr;
    QLabel* m_betaWarning = nullptr;
};
