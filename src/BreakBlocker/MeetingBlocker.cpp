#include "BreakBlocker/MeetingBlocker.h"

#include "Platform/CameraProbe.h"
#include "Platform/MicrophoneProbe.h"

Q_LOGGING_CATEGORY(lcMeetingBlocker, "com.ostavel.app.MeetingBlocker", QtWarningMsg)

namespace MeetingBlocker {

namespace {
const char* boolText(bool value)
{
    return value ? "true" : "false";
}

bool checkMicInUse(MicrophoneProbe& microphone)
{
    const std::optional<QString> device = microphone.activeInputDevice();
    if (!device)
        return false;
    if (!device->isEmpty())
        qCInfo(lcMeetingBlocker).noquote() << QStringLiteral("Active mic device: %1").arg(*device);
    return true;
}

bool checkCameraInUse(CameraProbe& camera)
{
    return camera.isCameraInUse();
}

bool checkCameraOrMicInUse(CameraProbe& camera, MicrophoneProbe& microphone)
{
    const bool micInUse = checkMicInUse(microphone);
    const bool cameraInUse = checkCameraInUse(camera);
    if (micInUse || cameraInUse)
        qCInfo(lcMeetingBlocker).noquote() << QString::asprintf(
            "camera in use: %s, mic in use: %s", boolText(cameraInUse), boolText(micInUse));
    return micInUse || cameraInUse;
}
} // namespace

bool checkMeeting(const QSet<QString>& meetingBundleIDs, const QSet<QString>& exclusionBundleIDs,
                  const QSet<QString>& runningBundleIDs, CameraProbe& camera,
                  MicrophoneProbe& microphone)
{
    return checkMeeting(
        meetingBundleIDs, exclusionBundleIDs, [&] { return runningBundleIDs; }, camera, microphone);
}

bool checkMeeting(const QSet<QString>& meetingBundleIDs, const QSet<QString>& exclusionBundleIDs,
                  const std::function<QSet<QString>()>& runningBundleIDsProvider,
                  CameraProbe& camera, MicrophoneProbe& microphone)
{
    bool inUse = checkCameraOrMicInUse(camera, microphone);
    if (!inUse && !lcMeetingBlocker().isInfoEnabled())
        return false;
    const QSet<QString> runningBundleIDs = runningBundleIDsProvider();
    const bool meetingAppRunning = runningBundleIDs.intersects(meetingBundleIDs);
    if (inUse && !exclusionBundleIDs.isEmpty() && runningBundleIDs.intersects(exclusionBundleIDs)) {
        qCInfo(lcMeetingBlocker)
            << "Exclusion app is running — ignoring camera/mic for meeting detection";
        inUse = false;
    }
    qCInfo(lcMeetingBlocker).noquote()
        << QString::asprintf("camera/mic in use: %s, meeting app running: %s", boolText(inUse),
                             boolText(meetingAppRunning));
    return inUse && meetingAppRunning;
}

} // namespace MeetingBlocker
