#pragma once

#include <functional>

// What the status menu's items do. Each runs on the main thread once the item is chosen; an empty
// one makes its item do nothing.
struct StatusMenuCommands {
    std::function<void()> startBreak;
    std::function<void()> skipBreak;
    std::function<void()> disableOneHour;
    std::function<void()> disableFourHours;
    std::function<void()> disableRestOfDay;
    std::function<void()> enable;
    std::function<void()> sendFeedback;
    std::function<void()> openSettings;
    std::function<void()> quit;
};
