#pragma once

class QWidget;

// Our tool windows are Qt::Window windows marked as utility windows. A parentless Qt::Tool window
// names Qt's leader window, which is never mapped, as its transient parent, and window managers
// reject that with a warning (Mutter logs one for each window); a marked Qt::Window is shown the
// same way (as a utility window, without a taskbar entry) and names no parent.
namespace ToolWindowType {
// `window` is a top-level Qt::Window with its attributes set: this creates its native window.
void apply(QWidget& window);
} // namespace ToolWindowType
