#pragma once

#include "Platform/LoginItem.h"

// A login item that only counts. `succeeds` false makes every call fail.
class FakeLoginItem final : public LoginItem {
public:
    bool registerItem() override
    {
        ++registerCalls;
        registered = registered || succeeds;
        return succeeds;
    }
    bool unregisterItem() override
    {
        ++unregisterCalls;
        registered = registered && !succeeds;
        return succeeds;
    }
    bool isRegistered() const override { return registered; }

    bool succeeds = true;
    bool registered = false;
    int registerCalls = 0;
    int unregisterCalls = 0;
};
