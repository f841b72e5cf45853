#include "Views/ToolWindowType.h"

#include <QWidget>

void ToolWindowType::apply(QWidget& window)
{
    // The type reaches the platform window only once that exists.
    window.winId();
    window.setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
}
