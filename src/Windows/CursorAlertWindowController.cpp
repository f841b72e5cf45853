#include "Windows/CursorAlertWindowController.h"

#include "Platform/CompositingState.h"
#include "Views/CursorAlertView.h"
#include "Views/PanelBackground.h"
#include "Views/ToolWindowType.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace {
CursorAlertWindowController::ScreenArea areaOf(const QScreen* screen)
{
    return {screen->geometry(), screen->availableGeometry()};
}
} // namespace

CursorAlertWindowController::CursorAlertWindowController(
    BreakManager& breakManager, std::shared_ptr<const CompositingState> compositing,
    std::function<QPoint()> pointerPosition)
    : m_breakManager(breakManager)
    , m_compositing(std::move(compositing))
    , m_pointerPosition(pointerPosition ? std::move(pointerPosition)
                                        : std::function<QPoint()>([] { return QCursor::pos(); }))
{
    m_pollTimer.setInterval(pollIntervalMs);
    m_pollTimer.callOnTimeout([this] { positionAtCursor(); });
}

CursorAlertWindowController::~CursorAlertWindowController()
{
    dismiss();
}

CursorAlertView* CursorAlertWindowController::view() const
{
    return m_view;
}

void CursorAlertWindowController::show()
{
    dismiss();
    const bool compositing = m_compositing && m_compositing->isActive();
    auto* view = new CursorAlertView(m_breakManager, compositing);
    view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput);
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(windowTitle);
    PanelBackground::prepareWindow(*view, compositing);
    view->adjustSize();
    ToolWindowType::apply(*view);
    m_view = view;
    m_lastPointer.reset();
    positionAtCursor();
    view->show();
    view->raise();
    m_pollTimer.start();
}

void CursorAlertWindowController::dismiss()
{
    m_pollTimer.stop();
    if (m_view) {
        CursorAlertView* view = m_view;
        m_view = nullptr;
        view->hide();
        delete view;
    }
}

void CursorAlertWindowController::positionAtCursor()
{
    if (!m_view)
        return;
    const QPoint pointer = m_pointerPosition();
    if (pointer == m_lastPointer)
        return;
    m_lastPointer = pointer;

    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << areaOf(screen);
    std::optional<ScreenArea> mainScreen;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        mainScreen = areaOf(primary);
    if (const auto origin = cardPosition(pointer, m_view->size(), screens, mainScreen))
        m_view->move(*origin);
}

std::optional<QPoint>
CursorAlertWindowController::cardPosition(QPoint pointer, QSize size,
                                          const QList<ScreenArea>& screens,
                                          std::optional<ScreenArea> mainScreen)
{
    std::optional<ScreenArea> chosen;
    for (const ScreenArea& screen : screens) {
        // QRect::contains leaves the right and bottom borders (x + width, y + height) outside.
        if (screen.frame.contains(pointer)) {
            chosen = screen;
            break;
        }
    }
    if (!chosen)
        chosen = mainScreen;
    if (!chosen)
        return std::nullopt;

    const int visibleRight = chosen->visibleFrame.x() + chosen->visibleFrame.width();
    int x = pointer.x() + cursorOffset;
    if (x + size.width() > visibleRight)
        x = pointer.x() - cursorOffset - size.width();
    const int y = pointer.y() - size.height() / 2;
    return QPoint(x, y);
}
