#pragma once

#include "Platform/PointerButtonState.h"

struct _XDisplay;

// Reads the pointer's button mask from the X server (XQueryPointer) on a connection of its own,
// opened once. Without an X display every answer is false.
class X11PointerButtonState final : public PointerButtonState {
public:
    X11PointerButtonState();
    ~X11PointerButtonState() override;
    X11PointerButtonState(const X11PointerButtonState&) = delete;
    X11PointerButtonState& operator=(const X11PointerButtonState&) = delete;

    bool anyButtonPressed() const override;

private:
    _XDisplay* m_display = nullptr;
};
