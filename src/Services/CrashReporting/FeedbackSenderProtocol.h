#pragma once

#include <QString>

// What the feedback form needs of crash reporting, which carries the feedback. Main thread.
class FeedbackSenderProtocol {
public:
    // Longer messages would be cut; the form holds them back instead.
    static constexpr qsizetype maxFeedbackLength = 4096;

    virtual ~FeedbackSenderProtocol() = default;
    // Reporting runs, so feedback can travel.
    virtual bool isEnabled() const = 0;
    // This build has no usable reporting set-up, whatever the user's consent.
    virtual bool isUnavailable() const = 0;
    // Empty name or e-mail means absent. True once the feedback is queued; false when it was
    // dropped (reporting off, a blank message, a queue that cannot store it).
    virtual bool captureFeedback(const QString& message, const QString& name,
                                 const QString& email) = 0;
};
