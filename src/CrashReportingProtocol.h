#pragma once

#include <QString>

// What the application delegate does with crash reporting: start it with the build's options,
// tag reports with the update channel ("stable" or "beta"), ask whether it runs, and close it
// when the user withdraws consent. Main thread.
class CrashReportingProtocol {
public:
    virtual ~CrashReportingProtocol() = default;
    virtual void start() = 0;
    virtual void setUpdateChannel(const QString& channel) = 0;
    virtual bool isEnabled() const = 0;
    virtual void close() = 0;
};
