#include "Windows/OnboardingWindowController.h"

#include "Views/OnboardingContainerView.h"

#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

OnboardingWindowController::OnboardingWindowController(ConfigurationManager& configManager,
                                                       QObject* parent)
    : QObject(parent)
    , m_configManager(configManager)
{
}

OnboardingWindowController::~OnboardingWindowController()
{
    delete m_window;
}

void OnboardingWindowController::show(std::function<void()> onComplete,
                                      std::function<void()> onClosed)
{
    dropWindow();
    m_onComplete = std::move(onComplete);
    m_onClosed = std::move(onClosed);

    // Titled and closable only; kept above other windows like a floating panel.
    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(title);
    window->setFixedSize(width, height);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_container = new OnboardingContainerView(m_configManager, [self = QPointer(this)] {
        if (self)
            self->complete();
    });
    layout->addWidget(m_container);
    window->installEventFilter(this);
    m_window = window;

    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(width / 2, height / 2));
    }
    window->show();
}

bool OnboardingWindowController::eventFilter(QObject* watched, QEvent* event)
{
    // Only the user closes this window; completion hides it.
    if (watched == m_window && event->type() == QEvent::Close && m_onClosed)
        QMetaObject::invokeMethod(
            this, [onClosed = m_onClosed] { onClosed(); }, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void OnboardingWindowController::complete()
{
    dropWindow();
    if (m_onComplete)
        m_onComplete();
}

void OnboardingWindowController::dropWindow()
{
    if (!m_window)
        return;
    m_window->removeEventFilter(this);
    m_window->hide();
    // "Get Started" runs inside a click on this window: delete it once the click is over.
    m_window->deleteLater();
    m_window = nullptr;
    m_container = nullptr;
}
