#pragma once

#include <QLoggingCategory>
#include <QSet>
#include <QString>

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

} // namespace MeetingBlocker
