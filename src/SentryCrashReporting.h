#pragma once

#include "CrashReportingProtocol.h"

#include <memory>

class SentryManager;

// Crash reporting through the SentryManager the application owns for the whole process. The
// feedback window reaches the same manager through sentryManager().
class SentryCrashReporting final : public CrashReportingProtocol {
public:
    explicit SentryCrashReporting(std::unique_ptr<SentryManager> manager);
    ~SentryCrashReporting() override;

    void start() override;
    void setUpdateChannel(UpdateChannel channel) override;
    bool isEnabled() const override;
    void close() override;
    void discardPendingReports() override;

    SentryManager& sentryManager() { return *m_manager; }

private:
    std::unique_ptr<SentryManager> m_manager;
};
