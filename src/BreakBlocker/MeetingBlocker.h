#pragma once

#include <QLoggingCategory>
#include <QSet>
#include <QString>
#include <functional>

class CameraProbe;
class MicrophoneProbe;

Q_DECLARE_LOGGING_CATEGORY(lcMeetingBlocker)

// Whether the user is in a meeting: a camera or microphone is in use while a meeting application
// runs and no exclusion application runs. The devices are probed on every call, whether or not a
// meeting application runs. Stateless; any thread. Identifiers compare case-sensitively.
namespace MeetingBlocker {

bool checkMeeting(const QSet<QString>& meetingBundleIDs, const QSet<QString>& exclusionBundleIDs,
                  const QSet<QString>& runningBundleIDs, CameraProbe& camera,
                  MicrophoneProbe& microphone);

// The same check, asking for the running applications only when their answer matters: while a
// device is in use, or while the summary line is being logged. Resolving them is the costly part
// of a refresh, and with no device in use the answer is "no meeting" whatever runs.
bool checkMeeting(const QSet<QString>& meetingBundleIDs, const QSet<QString>& exclusionBundleIDs,
                  const std::function<QSet<QString>()>& runningBundleIDs, CameraProbe& camera,
                  MicrophoneProbe& microphone);

} // namespace MeetingBlocker
