#include "SentryCrashReporting.h"

#include "Logging/SentryManager.h"

SentryCrashReporting::SentryCrashReporting(std::unique_ptr<SentryManager> manager)
    : m_manager(std::move(manager))
{
}

SentryCrashReporting::~SentryCrashReporting() = default;

void SentryCrashReporting::start()
{
    // A build without a DSN stays off; SentryManager says so in the log.
    m_manager->start();
}

void SentryCrashReporting::setUpdateChannel(UpdateChannel channel)
{
    m_manager->setUpdateChannel(channel);
}

bool SentryCrashReporting::isEnabled() const
{
    return m_manager->isEnabled();
}

void SentryCrashReporting::close()
{
    m_manager->close();
}

void SentryCrashReporting::discardPendingReports()
{
    m_manager->discardPendingReports();
}
