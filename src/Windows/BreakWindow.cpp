#include "Windows/BreakWindow.h"

#include "BreakManager/BreakManager.h"
#include "Platform/Clock.h"
#include "Views/ToolWindowType.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace {
// A translucent cover lets clicks through to the windows the user still sees beneath it; an
// opaque one hides them, so it takes the clicks itself rather than let them land unseen.
bool passesInput(bool isMain, bool opaque)
{
    return !isMain && !opaque;
}

// Qt::Window, not Qt::Tool (see ToolWindowType); the managed main cover stays an ordinary window,
// the only kind a window manager puts in full screen.
Qt::WindowFlags flagsFor(bool isMain, bool opaque, bool managed)
{
    if (managed)
        return Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    Qt::WindowFlags flags = Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint |
                            Qt::WindowStaysOnTopHint | Qt::Window;
    if (!isMain)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (passesInput(isMain, opaque))
        flags |= Qt::WindowTransparentForInput;
    return flags;
}

// The dark material behind everything, then black at 30 %. Without blur the material must hide
// more of what lies beneath than a blurred one would, so the text stays readable.
const QColor materialFill(28, 28, 30, 190);
const QColor opaqueMaterialFill(28, 28, 30);
const QColor dimming(0, 0, 0, 77);
} // namespace

BreakWindow::BreakWindow(QScreen* screen, BreakManager* engine, const Clock& clock, bool opaque,
                         bool managed)
    : QWidget(nullptr, flagsFor(engine != nullptr, opaque, managed && engine != nullptr))
    , m_screen(screen)
    , m_engine(engine)
    , m_clock(clock)
    , m_opaque(opaque)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (!opaque)
        setAttribute(Qt::WA_TranslucentBackground);
    if (isMain()) {
        setFocusPolicy(Qt::StrongFocus);
    } else {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents, passesInput(false, opaque));
    }
    setWindowOpacity(0);
    if (screen)
        setScreen(screen);
    followScreenGeometry();
    if (managed && isMain())
        setWindowState(Qt::WindowFullScreen);
    else
        ToolWindowType::apply(*this);
}

void BreakWindow::followScreenGeometry()
{
    if (m_screen)
        setGeometry(m_screen->geometry());
}

bool BreakWindow::event(QEvent* event)
{
    // Ahead of QWidget, which would move the focus on Tab.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            tabPressed();
            return true;
        }
    }
    return QWidget::event(event);
}

void BreakWindow::tabPressed()
{
    const QDateTime now = m_clock.now();
    const qint64 sinceLast = m_lastTabTime ? m_lastTabTime->msecsTo(now) : -1;
    // A clock set back between two presses is no quick second press.
    if (sinceLast >= 0 && sinceLast < doubleTabMs) {
        m_lastTabTime.reset();
        if (m_engine)
            m_engine->skipBreak();
        return;
    }
    m_lastTabTime = now;
}

void BreakWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), m_opaque ? opaqueMaterialFill : materialFill);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(event->rect(), dimming);
    if (!m_painted) {
        m_painted = true;
        emit firstPainted();
    }
}
