#pragma once

#include <QObject>

class ConfigurationManager;
class CrashReportingProtocol;
class SparkleUpdaterManager;
enum class UpdateChannel;

// Keeps crash reporting in step with the user's consent (sendAnonymousCrashReports) and the
// update channel it tags reports with. The updater may be null (a build without one): reports are
// then never tagged. Main thread only; all three must outlive this object.
class CrashReportingConsent : public QObject {
    Q_OBJECT

public:
    CrashReportingConsent(CrashReportingProtocol& reporting, ConfigurationManager& configManager,
                          SparkleUpdaterManager* updater, QObject* parent = nullptr);

    // The launch step, at once: with consent reporting starts and takes the current channel;
    // without it the reports an earlier run left are dropped, never sent.
    void applyAtLaunch();
    // From now on, changes of the channel and of consent follow on a later pass of the event loop,
    // the current channel first. Only a change of consent from the launch value counts.
    void follow();

private:
    void applyUpdateChannel(UpdateChannel channel);
    void applyConsent(bool enabled);
    void startReporting();

    CrashReportingProtocol& m_reporting;
    ConfigurationManager& m_configManager;
    SparkleUpdaterManager* m_updater;
    bool m_lastConsent = false;
};
