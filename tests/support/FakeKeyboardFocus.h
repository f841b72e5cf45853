#pragma once

#include "Platform/KeyboardFocus.h"

#include <QList>

// Records which windows took the keyboard and how often it was given back.
class FakeKeyboardFocus final : public KeyboardFocus {
public:
    bool needsManagedWindow() const override { return managed; }
    void take(quintptr window) override { taken.append(window); }
    void giveBack() override { ++givenBack; }
    bool managed = false;
    QList<quintptr> taken;
    int givenBack = 0;
};
