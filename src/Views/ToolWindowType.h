#pragma once

class QWidget;

// Our tool windows and parentless dialogs are Qt::Window windows marked with their kind. A
// parentless Qt::Tool or Qt::Dialog window names Qt's leader window, which is never mapped, as its
// transient parent, and window managers reject that with a warning (Mutter logs one for each
// window); a marked Qt::Window is shown the same way (a utility window without a taskbar entry, or
// a dialog) and names no parent.
namespace ToolWindowType {
// `window` is a top-level Qt::Window with its attributes set: this creates its native window.
void apply(QWidget& window);
// A dialog without a parent window, titled and closable only, kept above others if it was: made a
// Qt::Window marked as a dialog. Creates its native window.
void applyDialog(QWidget& dialog);
} // namespace ToolWindowType
