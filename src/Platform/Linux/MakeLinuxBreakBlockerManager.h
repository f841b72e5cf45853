#pragma once

#include "BreakBlocker/BreakBlockerManager.h"

#include <memory>

class ConfigurationManager;
class DesktopEntryCatalogue;
class QObject;

// The blocker manager on the Linux probes: X11 windows, /proc camera use, PulseAudio sources,
// /proc processes resolved through the desktop-entry catalogue, Qt's screens. Needs a
// QGuiApplication. The catalogue is built on the first refresh that needs it, off the main
// thread, and rebuilt there when an applications folder changes; pass one to share it with other
// users (the settings' application picker).
std::unique_ptr<BreakBlockerManager> makeLinuxBreakBlockerManager(ConfigurationManager& config,
                                                                  QObject* parent = nullptr);
std::unique_ptr<BreakBlockerManager>
makeLinuxBreakBlockerManager(ConfigurationManager& config,
                             std::shared_ptr<const DesktopEntryCatalogue> catalogue,
                             QObject* parent = nullptr);
