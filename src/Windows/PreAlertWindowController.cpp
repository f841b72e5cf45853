#include "Windows/PreAlertWindowController.h"

#include "Platform/CompositingState.h"
#include "Views/PanelBackground.h"
#include "Views/PreAlertPillView.h"
#include "Views/TimingCurve.h"
#include "Views/ToolWindowType.h"

#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>

namespace {
QAbstractAnimation* slide(QWidget* window, QPoint to, qreal opacity, int ms,
                          const QEasingCurve& curve, bool animateOpacity)
{
    auto* group = new QParallelAnimationGroup(window);
    auto* move = new QPropertyAnimation(window, "pos", group);
    move->setEndValue(to);
    move->setDuration(ms);
    move->setEasingCurve(curve);
    // Without a compositor the window's opacity means nothing; animating it would only cost.
    if (animateOpacity) {
        auto* fade = new QPropertyAnimation(window, "windowOpacity", group);
        fade->setEndValue(opacity);
        fade->setDuration(ms);
        fade->setEasingCurve(curve);
    }
    return group;
}
} // namespace

PreAlertWindowController::PreAlertWindowController(
    BreakManager& breakManager, std::shared_ptr<const CompositingState> compositing)
    : m_breakManager(breakManager)
    , m_compositing(std::move(compositing))
{
}

PreAlertWindowController::~PreAlertWindowController()
{
    delete m_view;
}

QRect PreAlertWindowController::finalFrame(const QRect& screenGeometry)
{
    const int x =
        screenGeometry.x() + screenGeometry.width() / 2 - PreAlertPillView::panelWidth / 2;
    return {x, screenGeometry.y() + topMargin, PreAlertPillView::panelWidth,
            PreAlertPillView::panelHeight};
}

PreAlertPillView* PreAlertWindowController::view() const
{
    return m_view;
}

void PreAlertWindowController::show()
{
    dismiss();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect frame = finalFrame(screen->geometry());
    const bool compositing = m_compositing && m_compositing->isActive();

    auto* view = new PreAlertPillView(m_breakManager, compositing);
    view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus);
    view->setAttribute(Qt::WA_ShowWithoutActivating);
    view->setWindowTitle(windowTitle);
    PanelBackground::prepareWindow(*view, compositing);
    view->setGeometry(frame.translated(0, -slideDistance));
    if (compositing)
        view->setWindowOpacity(0);
    ToolWindowType::apply(*view);
    m_view = view;
    view->show();
    view->raise();
    slide(view, frame.topLeft(), 1, showMs, TimingCurve::easeOut(), compositing)
        ->start(QAbstractAnimation::DeleteWhenStopped);
}

void PreAlertWindowController::dismiss()
{
    if (!m_view)
        return;
    PreAlertPillView* view = m_view;
    m_view = nullptr;
    // A leaving pill no longer answers clicks: its command has been given.
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QAbstractAnimation* running :
         view->findChildren<QAbstractAnimation*>(QString(), Qt::FindDirectChildrenOnly))
        running->stop();
    const bool compositing = view->testAttribute(Qt::WA_TranslucentBackground);
    QAbstractAnimation* leave = slide(view, view->pos() - QPoint(0, slideDistance), 0, dismissMs,
                                      TimingCurve::easeIn(), compositing);
    QObject::connect(leave, &QAbstractAnimation::finished, view, [view] {
        // Out of the animation's own signal before the window goes.
        QMetaObject::invokeMethod(
            view,
            [view] {
                view->hide();
                view->deleteLater();
            },
            Qt::QueuedConnection);
    });
    leave->start(QAbstractAnimation::DeleteWhenStopped);
}
