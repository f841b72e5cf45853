#include "App/MenuBarHintController.h"

#include "Platform/PointerButtonState.h"
#include "Platform/ServiceTimer.h"
#include "Views/MenuBarHintView.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>

namespace {
using std::chrono::milliseconds;

constexpr milliseconds hintClickPoll{100};
// How long after the desktop-wide report of a press our own mouse event of it may still arrive,
// and how long before it (a poll comes up to one interval late) it may have arrived.
constexpr milliseconds ownPressWindow{50};
constexpr milliseconds ownPressTolerance = hintClickPoll + milliseconds(100);
// A StatusNotifierItem host reports a click on our icon over the bus, often only at the release.
constexpr milliseconds statusNotifierClickWindow{600};
} // namespace

MenuBarHintController::MenuBarHintController(Environment environment, QObject* parent)
    : QObject(parent)
    , m_env(std::move(environment))
{
    if (!m_env.host)
        m_env.host = [] { return TrayHost::none; };
    if (!m_env.iconGeometry)
        m_env.iconGeometry = [] { return QRect(); };
    if (!m_env.makeTimer)
        m_env.makeTimer = [] { return std::make_unique<QtServiceTimer>(); };
    if (!m_env.now) {
        m_env.now = [] {
            return std::chrono::duration_cast<milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
    }
    m_poll = m_env.makeTimer();
}

MenuBarHintController::~MenuBarHintController()
{
    dismiss();
}

bool MenuBarHintController::show()
{
    if (m_env.host() == TrayHost::none)
        return false;
    dismiss();
    m_view = std::make_unique<MenuBarHintView>();
    m_view->showNear(m_env.iconGeometry());

    if (!m_pointerButtons && m_env.makePointerButtonState)
        m_pointerButtons = m_env.makePointerButtonState();
    m_lastOwnPress.reset();
    qApp->installEventFilter(this);
    if (m_pointerButtons) {
        const QPointer<MenuBarHintController> self(this);
        m_pointerButtons->watchPresses(
            [self] {
                if (self)
                    self->onPointerPressed();
            },
            [self] {
                if (self)
                    self->startPolling();
            });
    }
    return true;
}

void MenuBarHintController::dismiss()
{
    if (m_view) {
        m_view->close();
        m_view.reset();
        qApp->removeEventFilter(this);
    }
    if (m_pointerButtons)
        m_pointerButtons->stopWatchingPresses();
    m_polling = false;
    m_poll->stop();
}

void MenuBarHintController::noteClickOnIcon()
{
    noteOwnPress();
}

void MenuBarHintController::noteOwnPress()
{
    if (m_view)
        m_lastOwnPress = m_env.now();
}

bool MenuBarHintController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        noteOwnPress();
    return QObject::eventFilter(watched, event);
}

void MenuBarHintController::startPolling()
{
    // No press events here: poll the buttons while the hint is shown.
    if (!m_view || m_polling)
        return;
    m_polling = true;
    m_polledPressed = false;
    m_poll->start(hintClickPoll, [this] { poll(); });
}

void MenuBarHintController::poll()
{
    // A press counts once, however long the button is held.
    const bool pressed = m_pointerButtons && m_pointerButtons->anyButtonPressed();
    if (pressed && !m_polledPressed)
        onPointerPressed();
    m_polledPressed = pressed;
    if (m_polling)
        m_poll->start(hintClickPoll, [this] { poll(); });
}

void MenuBarHintController::onPointerPressed()
{
    if (!m_view)
        return;
    // Like a monitor of other applications' clicks: presses on our own windows (the hint, the
    // menu, the XEmbed icon) and on our icon in a StatusNotifierItem host leave the hint open.
    // Those reach us as mouse events or a host's call too, a moment before or after the
    // desktop-wide report, so decide once both have had time to arrive.
    const milliseconds window =
        m_env.host() == TrayHost::statusNotifier ? statusNotifierClickWindow : ownPressWindow;
    std::erase_if(m_verdicts, [](const auto& timer) { return !timer->isActive(); });
    ServiceTimer& verdict = *m_verdicts.emplace_back(m_env.makeTimer());
    verdict.start(window, [this, window] {
        if (m_view &&
            (!m_lastOwnPress || m_env.now() - *m_lastOwnPress > window + ownPressTolerance))
            dismiss();
    });
}
