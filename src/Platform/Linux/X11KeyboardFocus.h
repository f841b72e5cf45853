#pragma once

#include "Platform/KeyboardFocus.h"

#include <cstdint>
#include <optional>

// Sets the X input focus on Qt's own connection, so the request follows the window's map request
// in order. The previous focus is asked for at take() and its answer read only at giveBack(), long
// after it has arrived.
class X11KeyboardFocus final : public KeyboardFocus {
public:
    void take(quintptr window) override;
    void giveBack() override;

private:
    std::optional<unsigned int> m_previousFocusRequest;
    quintptr m_window = 0;
};
