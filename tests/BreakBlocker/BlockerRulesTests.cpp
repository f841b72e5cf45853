#include "BreakBlocker/AppBlocker.h"
#include "BreakBlocker/FullscreenBlocker.h"
#include "BreakBlocker/MeetingBlocker.h"
#include "FakeCameraProbe.h"
#include "FakeMicrophoneProbe.h"
#include "FakeWindowList.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

namespace {
constexpr qint64 ownPid = 1000;

WindowInfo window(qint64 pid, const QString& name, QRect bounds)
{
    return WindowInfo{pid, name, bounds};
}

std::optional<QString> fullscreenOwner(const std::vector<WindowInfo>& windows,
                                       const QList<QRect>& screens)
{
    const auto match = FullscreenBlocker::findFullscreenWindow(windows, screens, ownPid);
    return match ? std::optional(match->window.ownerName) : std::nullopt;
}
} // namespace

TEST(FullscreenRule, WindowMustBeAtLeastTheScreenItIsCentredOn)
{
    const QList<QRect> screen{QRect(0, 0, 1280, 800)};
    EXPECT_EQ(fullscreenOwner({window(7, "Exact", QRect(0, 0, 1280, 800))}, screen), "Exact");
    EXPECT_EQ(fullscreenOwner({window(7, "Larger", QRect(-5, -5, 1290, 810))}, screen), "Larger");
    EXPECT_EQ(fullscreenOwner({window(7, "Narrow", QRect(0, 0, 1279, 800))}, screen), std::nullopt);
    EXPECT_EQ(fullscreenOwner({window(7, "Short", QRect(0, 0, 1280, 799))}, screen), std::nullopt);
}

TEST(FullscreenRule, OwnWindowsAndWindowsWithoutOwnerNeverCount)
{
    const QList<QRect> screen{QRect(0, 0, 1280, 800)};
    const std::vector<WindowInfo> windows{
        window(ownPid, "Overlay", QRect(0, 0, 1280, 800)),
        WindowInfo{std::nullopt, "Ownerless", QRect(0, 0, 1280, 800)},
        window(7, "Player", QRect(0, 0, 1280, 800)),
    };
    EXPECT_EQ(fullscreenOwner(windows, screen), "Player");
    EXPECT_EQ(fullscreenOwner({windows[0], windows[1]}, screen), std::nullopt);
}

TEST(FullscreenRule, OnlyTheFirstScreenContainingTheCentreIsTried)
{
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 800)};
    // Full screen on the secondary screen.
    EXPECT_EQ(fullscreenOwner({window(7, "Slides", QRect(1920, 0, 1280, 800))}, screens), "Slides");
    // Centred on the primary, big enough only for the secondary.
    EXPECT_EQ(fullscreenOwner({window(7, "Wide", QRect(0, 100, 1280, 800))}, screens),
              std::nullopt);
    // Centred on no screen at all.
    EXPECT_EQ(fullscreenOwner({window(7, "Away", QRect(4000, 0, 2000, 2000))}, screens),
              std::nullopt);
    // A centre on the shared edge belongs to the right-hand screen.
    EXPECT_EQ(fullscreenOwner({window(7, "Edge", QRect(1280, 0, 1280, 800))}, screens), "Edge");
    // Mirrored screens: the first one decides.
    const QList<QRect> mirrored{QRect(0, 0, 1920, 1080), QRect(0, 0, 1280, 800)};
    EXPECT_EQ(fullscreenOwner({window(7, "Mirror", QRect(0, 0, 1280, 800))}, mirrored),
              std::nullopt);
}

TEST(FullscreenRule, FrontmostMatchingWindowAnswers)
{
    const QList<QRect> screen{QRect(0, 0, 1280, 800)};
    const std::vector<WindowInfo> windows{
        window(5, "Small", QRect(10, 10, 300, 200)),
        window(6, "Front", QRect(0, 0, 1280, 800)),
        window(7, "Back", QRect(0, 0, 1280, 800)),
    };
    EXPECT_EQ(fullscreenOwner(windows, screen), "Front");
}

TEST(FullscreenCheck, NoScreensAnswersWithoutAskingForWindows)
{
    FakeWindowList windows;
    windows.setWindows({window(7, "Player", QRect(0, 0, 1280, 800))});
    EXPECT_EQ(FullscreenBlocker::checkFullscreen({}, windows, ownPid), BlockerCheckResult{});
    EXPECT_EQ(windows.calls, 0);
}

TEST(FullscreenCheck, AnswersOwnerNameAndLogsTheMatch)
{
    FakeWindowList windows;
    windows.setWindows({window(4242, "", QRect(0, 0, 1280, 800))});
    LogCapture log;
    const BlockerCheckResult result =
        FullscreenBlocker::checkFullscreen({QRect(0, 0, 1280, 800)}, windows, ownPid);
    EXPECT_EQ(result, BlockerCheckResult::blockedBy("Unknown"));
    EXPECT_EQ(log.lines(),
              QStringList{"FullscreenBlocker: Fullscreen detected: Unknown (PID 4242), bounds: "
                          "1280.000000x800.000000, screen: 1280.000000x800.000000"});
}

class MeetingCheck : public ::testing::Test {
protected:
    bool check(const QSet<QString>& running, const QSet<QString>& exclusions = {"Exclusion"})
    {
        return MeetingBlocker::checkMeeting({"us.zoom.Zoom", "firefox"}, exclusions, running,
                                            camera, microphone);
    }

    FakeCameraProbe camera;
    FakeMicrophoneProbe microphone;
    LogCapture log;
};

TEST_F(MeetingCheck, NeedsADeviceInUseAndAMeetingApplication)
{
    EXPECT_FALSE(check({"firefox"}));
    camera.inUse = true;
    EXPECT_TRUE(check({"firefox", "other"}));
    EXPECT_FALSE(check({"Firefox"})) << "identifiers compare case-sensitively";
    camera.inUse = false;
    microphone.setDevice(QString("USB Headset"));
    EXPECT_TRUE(check({"us.zoom.Zoom"}));
}

TEST_F(MeetingCheck, ExclusionApplicationCancelsTheDevices)
{
    camera.inUse = true;
    EXPECT_FALSE(check({"firefox", "Exclusion"}));
    EXPECT_EQ(log.lines(),
              (QStringList{
                  "MeetingBlocker: camera in use: true, mic in use: false",
                  "MeetingBlocker: Exclusion app is running — ignoring camera/mic "
                  "for meeting detection",
                  "MeetingBlocker: camera/mic in use: false, meeting app running: true",
              }));
    EXPECT_TRUE(check({"firefox", "Exclusion"}, {}));
}

TEST_F(MeetingCheck, BothDevicesAreProbedOnEveryCallAndEveryLineWritten)
{
    microphone.setDevice(QString("Built-in Audio"));
    EXPECT_FALSE(check({}));
    EXPECT_EQ(microphone.calls, 1);
    EXPECT_EQ(camera.calls, 1);
    EXPECT_EQ(log.lines(),
              (QStringList{
                  "MeetingBlocker: Active mic device: Built-in Audio",
                  "MeetingBlocker: camera in use: false, mic in use: true",
                  "MeetingBlocker: camera/mic in use: true, meeting app running: false",
              }));
    log.clear();
    microphone.setDevice(std::nullopt);
    EXPECT_FALSE(check({"firefox"}));
    EXPECT_EQ(log.lines(), QStringList{"MeetingBlocker: camera/mic in use: false, meeting app "
                                       "running: true"});
}

TEST(AppCheck, AnswersTheFirstListedRunningApplicationByItsRunningName)
{
    const std::vector<RunningApplication> running{
        {"org.gnome.Terminal", "Terminal"},
        {"org.videolan.VLC", "VLC media player"},
        {"org.blender.Blender", "Blender"},
    };
    EXPECT_EQ(AppBlocker::checkApps({}, running), BlockerCheckResult{});
    EXPECT_EQ(AppBlocker::checkApps({"com.example.None"}, running), BlockerCheckResult{});
    LogCapture log;
    EXPECT_EQ(AppBlocker::checkApps({"org.blender.Blender", "org.videolan.VLC"}, running),
              BlockerCheckResult::blockedBy("VLC media player"));
    EXPECT_EQ(log.lines(), QStringList{"AppBlocker: Break blocker app running: VLC media player"});
}
