#include "Views/ToolWindowType.h"

#include <QWidget>

// The kind reaches the platform window only once that exists.
void ToolWindowType::apply(QWidget& window)
{
    window.winId();
    window.setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
}

void ToolWindowType::applyDialog(QWidget& dialog)
{
    const Qt::WindowFlags above = dialog.windowFlags() & Qt::WindowStaysOnTopHint;
    dialog.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | above);
    dialog.winId();
    dialog.setAttribute(Qt::WA_X11NetWmWindowTypeDialog);
}
