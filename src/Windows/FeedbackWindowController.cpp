#include "Windows/FeedbackWindowController.h"

#include "Views/FeedbackView.h"
#include "Views/ToolWindowType.h"

#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

FeedbackWindowController::FeedbackWindowController(FeedbackSenderProtocol& sender)
    : m_sender(sender)
{
}

FeedbackWindowController::~FeedbackWindowController()
{
    delete m_window;
}

void FeedbackWindowController::show()
{
    if (m_window && m_window->isVisible()) {
        m_window->raise();
        m_window->activateWindow();
        return;
    }

    // Titled and closable only, above other windows.
    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(title);
    window->setFixedSize(width, height);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    const QPointer<QWidget> self(window);
    auto* view = new FeedbackView(m_sender, [self] {
        if (self)
            self->hide();
    });
    layout->addWidget(view);
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(width / 2, height / 2));
    }

    // The form that was sent or dismissed goes; it may still be unwinding from its own click.
    if (m_window)
        m_window->deleteLater();
    m_window = window;
    m_view = view;
    ToolWindowType::apply(*window);
    window->show();
    window->raise();
    window->activateWindow();
}

void FeedbackWindowController::dismiss()
{
    if (m_window)
        m_window->hide();
}
