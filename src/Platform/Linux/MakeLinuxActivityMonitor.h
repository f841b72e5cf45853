#pragma once

#include "Monitoring/ActivityMonitor.h"

#include <memory>

// The activity monitor on this desktop's session and system buses and X display. Create it after
// the application object; call start() when the main application starts.
std::unique_ptr<ActivityMonitor> makeLinuxActivityMonitor();
