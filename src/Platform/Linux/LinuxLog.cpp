#include "Platform/Linux/LinuxLog.h"

Q_LOGGING_CATEGORY(lcLinuxActivity, "com.ostavel.app.ActivityMonitor")
Q_LOGGING_CATEGORY(lcLinuxMicrophone, "com.ostavel.app.MeetingBlocker", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLinuxWindows, "com.ostavel.app.FullscreenBlocker", QtWarningMsg)
