#pragma once

#include "Configuration/ConfigurationManager.h"

// One edit of the settings: a copy of the current record, changed by `change`, assigned back
// whole (which saves it).
template <typename Change> void editConfiguration(ConfigurationManager& manager, Change&& change)
{
    Configuration config = manager.config();
    change(config);
    manager.setConfig(config);
}
