#include "Platform/Linux/X11CompositingState.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

X11CompositingState::X11CompositingState()
    : m_display(XOpenDisplay(nullptr))
{
    if (!m_display)
        return;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(m_display));
    m_selection = XInternAtom(m_display, name.constData(), False);
    int errorBase = 0;
    if (XFixesQueryExtension(m_display, &m_xfixesEventBase, &errorBase)) {
        XFixesSelectSelectionInput(m_display, DefaultRootWindow(m_display), m_selection,
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
        m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11CompositingState::readEvents);
    }
    m_active = XGetSelectionOwner(m_display, m_selection) != None;
    readEvents();
}

X11CompositingState::~X11CompositingState()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void X11CompositingState::readEvents()
{
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type != m_xfixesEventBase + XFixesSelectionNotify)
            continue;
        const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notify.selection == m_selection)
            m_active = notify.owner != None;
    }
}
