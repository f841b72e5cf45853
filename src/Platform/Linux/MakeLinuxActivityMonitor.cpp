#include "Platform/Linux/MakeLinuxActivityMonitor.h"

#include "Platform/Linux/LinuxActivityBackendFactory.h"

std::unique_ptr<ActivityMonitor> makeLinuxActivityMonitor()
{
    return std::make_unique<ActivityMonitor>(std::make_unique<LinuxActivityBackendFactory>(
        QDBusConnection::sessionBus(), QDBusConnection::systemBus()));
}
