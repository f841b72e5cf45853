#pragma once

// How the application delegate drives a window it owns through a controller: show it (reusing
// or rebuilding what the controller holds) or take it away. Main thread.
class WindowController {
public:
    virtual ~WindowController() = default;
    virtual void show() = 0;
    virtual void dismiss() = 0;
};
