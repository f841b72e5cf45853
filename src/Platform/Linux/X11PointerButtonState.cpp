#include "Platform/Linux/X11PointerButtonState.h"

#include <X11/Xlib.h>

X11PointerButtonState::X11PointerButtonState()
    : m_display(XOpenDisplay(nullptr))
{
}

X11PointerButtonState::~X11PointerButtonState()
{
    if (m_display)
        XCloseDisplay(m_display);
}

bool X11PointerButtonState::anyButtonPressed() const
{
    if (!m_display)
        return false;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    // The mask is filled in even when the pointer is on another screen (the call answers False).
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}
