#include "Windows/BreakWindowController.h"

#include "BreakManager/BreakManager.h"
#include "Platform/CompositingState.h"
#include "Platform/KeyboardFocus.h"
#include "Platform/ScreenLocker.h"
#include "Views/BreakOverlayView.h"
#include "Views/MotivationTexts.h"
#include "Views/TimingCurve.h"
#include "Windows/BreakWindow.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
// A screen-sized window frees several megabytes of buffers; hand them back to the system
// instead of keeping them in the heap until the next break.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
} // namespace

Q_LOGGING_CATEGORY(lcBreakWindow, "com.ostavel.app.BreakWindow", QtWarningMsg)

BreakWindowController::BreakWindowController(BreakManager& engine, const Clock& clock,
                                             std::unique_ptr<ScreenLocker> locker,
                                             std::unique_ptr<KeyboardFocus> keyboardFocus,
                                             std::shared_ptr<const CompositingState> compositing)
    : m_engine(engine)
    , m_clock(clock)
    , m_locker(std::move(locker))
    , m_keyboardFocus(std::move(keyboardFocus))
    , m_compositing(std::move(compositing))
{
}

BreakWindowController::~BreakWindowController()
{
    disconnectScreens();
    for (const QPointer<BreakWindow>& window : std::as_const(m_windows))
        delete window.data();
}

QList<BreakWindow*> BreakWindowController::windows() const
{
    QList<BreakWindow*> list;
    for (const QPointer<BreakWindow>& window : m_windows)
        if (window)
            list.append(window.data());
    return list;
}

void BreakWindowController::show()
{
    // An overlay still up goes at once, without a fade.
    for (const QPointer<BreakWindow>& window : std::as_const(m_windows)) {
        if (!window)
            continue;
        window->hide();
        window->deleteLater();
    }
    m_windows.clear();

    m_showTimer.start();
    m_unpaintedWindows = 0;
    m_motivationText = MotivationTexts::pick(m_engine.isLongBreak());
    m_opaque = m_compositing && !m_compositing->isActive();
    syncScreens();
    // Qt maps each window and waits for the server to confirm it, so they are mapped by now.
    m_mappedMs = m_showTimer.elapsed();

    if (m_screenConnections.isEmpty()) {
        auto* app = qGuiApp;
        m_screenConnections << connect(app, &QGuiApplication::screenAdded, this,
                                       &BreakWindowController::scheduleSync)
                            << connect(app, &QGuiApplication::screenRemoved, this,
                                       &BreakWindowController::scheduleSync)
                            << connect(app, &QGuiApplication::primaryScreenChanged, this,
                                       &BreakWindowController::scheduleSync);
    }
}

void BreakWindowController::dismiss()
{
    disconnectScreens();
    const QList<QPointer<BreakWindow>> taken = m_windows;
    m_windows.clear();
    if (m_keyboardFocus)
        m_keyboardFocus->giveBack();
    for (const QPointer<BreakWindow>& window : taken) {
        if (!window)
            continue;
        // A fade-in still running would fight the fade-out.
        for (QPropertyAnimation* running : window->findChildren<QPropertyAnimation*>())
            running->stop();
        auto* fade = new QPropertyAnimation(window.data(), "windowOpacity", window.data());
        fade->setDuration(fadeOutMs);
        fade->setEasingCurve(TimingCurve::easeIn());
        fade->setEndValue(0.0);
        connect(fade, &QAbstractAnimation::finished, window.data(), [window] {
            // Off the animation's own call stack, on a later turn of the loop; the application,
            // not the controller, carries it out, so it happens even if the controller is gone.
            QTimer::singleShot(0, qApp, [window] {
                delete window.data();
                releaseFreedMemory();
            });
        });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

void BreakWindowController::disconnectScreens()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_screenConnections))
        disconnect(connection);
    m_screenConnections.clear();
    m_syncPending = false;
}

// Screens report their changes from inside Qt's own handling; follow them a turn later, when the
// list of screens is settled.
void BreakWindowController::scheduleSync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_syncPending)
            return;
        m_syncPending = false;
        syncScreens();
    });
}

// Keeps one window per screen, the primary one with the break view; windows whose screen is gone
// or whose role changed are replaced, the rest stay as they are.
void BreakWindowController::syncScreens()
{
    QScreen* primary = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();

    QList<QPointer<BreakWindow>> kept;
    for (const QPointer<BreakWindow>& window : std::as_const(m_windows)) {
        if (!window)
            continue;
        QScreen* screen = window->targetScreen();
        if (screens.contains(screen) && window->isMain() == (screen == primary)) {
            kept.append(window);
            continue;
        }
        window->hide();
        window->deleteLater();
    }

    QList<QPointer<BreakWindow>> ordered;
    for (QScreen* screen : screens) {
        BreakWindow* window = nullptr;
        for (const QPointer<BreakWindow>& candidate : std::as_const(kept))
            if (candidate->targetScreen() == screen)
                window = candidate.data();
        if (!window)
            window = makeWindow(screen, screen == primary);
        ordered.append(window);
    }
    m_windows = ordered;
}

BreakWindow* BreakWindowController::makeWindow(QScreen* screen, bool isMain)
{
    const bool managed = isMain && m_keyboardFocus && m_keyboardFocus->needsManagedWindow();
    auto* window =
        new BreakWindow(screen, isMain ? &m_engine : nullptr, m_clock, m_opaque, managed);
    ++m_unpaintedWindows;
    connect(window, &BreakWindow::firstPainted, this, [this] {
        if (--m_unpaintedWindows == 0)
            qCInfo(lcBreakWindow).nospace()
                << "Break windows mapped after " << m_mappedMs << " ms, drawn after "
                << m_showTimer.elapsed() << " ms";
    });
    connect(screen, &QScreen::geometryChanged, window, &BreakWindow::followScreenGeometry);
    if (isMain) {
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new BreakOverlayView(
            m_engine, m_clock, m_motivationText, [this] { lockScreen(); }, window));
    }
    window->show();
    window->raise();
    if (isMain)
        takeKeyboard(window);
    fadeIn(window);
    return window;
}

void BreakWindowController::takeKeyboard(BreakWindow* window)
{
    window->activateWindow();
    window->setFocus(Qt::ActiveWindowFocusReason);
    if (m_keyboardFocus)
        m_keyboardFocus->take(window->winId());
}

void BreakWindowController::fadeIn(BreakWindow* window)
{
    auto* fade = new QPropertyAnimation(window, "windowOpacity", window);
    fade->setDuration(fadeInMs);
    fade->setEasingCurve(TimingCurve::easeOut());
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void BreakWindowController::lockScreen()
{
    // We hold no keyboard grab (the focus is only set), so a locker can take the keyboard as is.
    if (m_locker)
        m_locker->lock();
}
