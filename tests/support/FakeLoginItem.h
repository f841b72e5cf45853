#pragma once

#include "Platform/LoginItem.h"

// A login item that only counts. `succeeds` false makes every call fail. `registerCalls` counts
// both kinds of registration, `startUpRegisterCalls` only the start-up ones; `turnedOffByUser`
// is an item the user switched off outside the app, which only registerItem() turns back on.
class FakeLoginItem final : public LoginItem {
public:
    bool registerItem() override
    {
        ++registerCalls;
        registered = registered || succeeds;
        turnedOffByUser = turnedOffByUser && !succeeds;
        return succeeds;
    }
    bool registerAtStartUp() override
    {
        ++startUpRegisterCalls;
        if (turnedOffByUser) {
            ++registerCalls;
            return succeeds;
        }
        return registerItem();
    }
    bool unregisterItem() override
    {
        ++unregisterCalls;
        registered = registered && !succeeds;
        return succeeds;
    }
    bool isRegistered() const override { return registered && !turnedOffByUser; }

    bool succeeds = true;
    bool registered = false;
    bool turnedOffByUser = false;
    int registerCalls = 0;
    int startUpRegisterCalls = 0;
    int unregisterCalls = 0;
};
