#pragma once

// Whether a mouse button is held down anywhere on the desktop, including over other
// applications' windows. Polled on the main thread while the first-run hint is shown, so an
// answer must come quickly; "unknown" answers false.
class PointerButtonState {
public:
    virtual ~PointerButtonState() = default;
    virtual bool anyButtonPressed() const = 0;
};
