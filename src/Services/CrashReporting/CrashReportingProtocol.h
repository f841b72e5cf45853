#pragma once

#include "Services/Update/UpdateChannel.h"

class FeedbackSenderProtocol;

// What the application delegate does with crash reporting: start it with the build's options,
// tag reports with the update channel, ask whether it runs, close it when the user withdraws
// consent, and drop what an earlier run left when a launch has no consent. Main thread.
class CrashReportingProtocol {
public:
    virtual ~CrashReportingProtocol() = default;
    // False when reporting cannot run (this build has no usable set-up).
    virtual bool start() = 0;
    virtual void setUpdateChannel(UpdateChannel channel) = 0;
    virtual bool isEnabled() const = 0;
    virtual void close() = 0;
    virtual void discardPendingReports() = 0;
    // What carries the user's feedback along with the reports; null when feedback cannot travel
    // this way.
    virtual FeedbackSenderProtocol* feedbackSender() = 0;
};
