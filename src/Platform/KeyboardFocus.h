#pragma once

#include <QtGlobal>

// Our windows that the window manager does not manage get no keyboard focus from it: this takes
// the focus for one of them and later hands it back to whatever had it. Under a Wayland
// compositor the keys reach an X window only once the compositor has activated it, so there the
// window that takes the keyboard is a managed one and the window manager is asked to activate it.
// Never waits on the display server. Main thread.
class KeyboardFocus {
public:
    virtual ~KeyboardFocus() = default;
    // Whether the window that takes the keyboard must be one the window manager manages.
    virtual bool needsManagedWindow() const = 0;
    // `window` is a native window id, already shown.
    virtual void take(quintptr window) = 0;
    // Returns the focus to what held it before the first take(); a no-op when nothing was taken.
    virtual void giveBack() = 0;
};
