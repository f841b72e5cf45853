#pragma once

#include <QLoggingCategory>

// The Linux layer's own log categories. Each carries the name of the engine piece whose work it
// does (idle time and the screen lock for the activity monitor, the microphone for the meeting
// check, the window list for the full-screen check), so the lines users read and the logging
// rules they write stay the same.
Q_DECLARE_LOGGING_CATEGORY(lcLinuxActivity)
Q_DECLARE_LOGGING_CATEGORY(lcLinuxMicrophone)
Q_DECLARE_LOGGING_CATEGORY(lcLinuxWindows)
