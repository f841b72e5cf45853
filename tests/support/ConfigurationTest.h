#pragma once

#include "Configuration/ConfigurationManager.h"
#include "UserDefaultsReset.h"
#include "Views/ConfigurationEdit.h"

#include <functional>
#include <gtest/gtest.h>

// A settings manager on a store that is cleared before the manager reads it.
class ConfigurationTest : public ::testing::Test {
protected:
    void store(const std::function<void(Configuration&)>& edit)
    {
        editConfiguration(manager, edit);
    }

    bool m_cleared = (resetUserDefaults(), true);
    ConfigurationManager manager;
};
