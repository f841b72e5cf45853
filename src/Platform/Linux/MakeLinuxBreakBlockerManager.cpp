#include "Platform/Linux/MakeLinuxBreakBlockerManager.h"

#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryCatalogueWatcher.h"
#include "Platform/Linux/ProcCameraProbe.h"
#include "Platform/Linux/ProcRunningApplications.h"
#include "Platform/Linux/PulseMicrophoneProbe.h"
#include "Platform/Linux/QtScreenList.h"
#include "Platform/Linux/X11WindowList.h"

std::unique_ptr<BreakBlockerManager> makeLinuxBreakBlockerManager(ConfigurationManager& config,
                                                                  QObject* parent)
{
    return makeLinuxBreakBlockerManager(config, std::make_shared<DesktopEntryCatalogue>(), parent);
}

std::unique_ptr<BreakBlockerManager>
makeLinuxBreakBlockerManager(ConfigurationManager& config,
                             std::shared_ptr<const DesktopEntryCatalogue> catalogue,
                             QObject* parent)
{
    BlockerProbes probes;
    probes.screens = std::make_shared<QtScreenList>();
    probes.windows = std::make_shared<X11WindowList>();
    probes.camera = std::make_shared<ProcCameraProbe>();
    probes.microphone = std::make_shared<PulseMicrophoneProbe>();
    probes.runningApplications = std::make_shared<ProcRunningApplications>(catalogue);
    auto manager = std::make_unique<BreakBlockerManager>(config, std::move(probes), parent);
    // Applications installed while Ostavel runs are named too.
    if (catalogue)
        new DesktopEntryCatalogueWatcher(
            std::move(catalogue), DesktopEntryCatalogueWatcher::defaultQuietPeriod, manager.get());
    return manager;
}
