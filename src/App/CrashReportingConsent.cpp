#include "App/CrashReportingConsent.h"

#include "Configuration/ConfigurationManager.h"
#include "Services/CrashReporting/CrashReportingProtocol.h"
#include "Services/Update/SparkleUpdaterManager.h"

CrashReportingConsent::CrashReportingConsent(CrashReportingProtocol& reporting,
                                             ConfigurationManager& configManager,
                                             SparkleUpdaterManager* updater, QObject* parent)
    : QObject(parent)
    , m_reporting(reporting)
    , m_configManager(configManager)
    , m_updater(updater)
{
}

void CrashReportingConsent::applyAtLaunch()
{
    m_lastConsent = m_configManager.config().sendAnonymousCrashReports;
    if (m_lastConsent)
        startReporting();
    else
        m_reporting.discardPendingReports();
}

void CrashReportingConsent::follow()
{
    if (m_updater) {
        QMetaObject::invokeMethod(
            this, [this, channel = m_updater->currentChannel()] { applyUpdateChannel(channel); },
            Qt::QueuedConnection);
        connect(m_updater, &SparkleUpdaterManager::currentChannelChanged, this,
                &CrashReportingConsent::applyUpdateChannel, Qt::QueuedConnection);
    }
    connect(
        &m_configManager, &ConfigurationManager::configChanged, this,
        [this](const Configuration& config) { applyConsent(config.sendAnonymousCrashReports); },
        Qt::QueuedConnection);
}

void CrashReportingConsent::applyUpdateChannel(UpdateChannel channel)
{
    if (m_reporting.isEnabled())
        m_reporting.setUpdateChannel(channel);
}

void CrashReportingConsent::applyConsent(bool enabled)
{
    // Only changes count: the launch value was handled at launch, and repeats do nothing.
    if (enabled == m_lastConsent)
        return;
    m_lastConsent = enabled;
    if (enabled)
        startReporting();
    else
        m_reporting.close();
}

void CrashReportingConsent::startReporting()
{
    m_reporting.start();
    if (m_updater)
        m_reporting.setUpdateChannel(m_updater->currentChannel());
}
