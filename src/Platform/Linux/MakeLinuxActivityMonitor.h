#pragma once

#include "Monitoring/ActivityMonitor.h"

#include <memory>

// The activity monitor on this desktop's session and system buses and X display. Create it after
// the application object; call start() when the main application starts. A monitor given a
// parent is also deleted by it, so release() the pointer in that case.
std::unique_ptr<ActivityMonitor> makeLinuxActivityMonitor(QObject* parent = nullptr);
