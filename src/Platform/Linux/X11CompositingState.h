#pragma once

#include "Platform/CompositingState.h"

#include <QObject>

struct _XDisplay;
class QSocketNotifier;

// Follows the owner of the _NET_WM_CM_S<n> selection of the default screen on a connection of its
// own: read once at construction, then kept current from XFixes selection events, so isActive()
// never asks the server. Without an X display or XFixes the answer is false.
class X11CompositingState final : public QObject, public CompositingState {
    Q_OBJECT

public:
    X11CompositingState();
    ~X11CompositingState() override;

    bool isActive() const override { return m_active; }

private:
    void readEvents();

    _XDisplay* m_display = nullptr;
    unsigned long m_selection = 0;
    int m_xfixesEventBase = 0;
    bool m_active = false;
    QSocketNotifier* m_notifier = nullptr;
};
