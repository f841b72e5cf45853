#include "App/StatusItemController.h"

#include "App/AppDelegate.h"
#include "App/AppLog.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "BreakManager/BreakManager.h"
#include "Platform/PointerButtonState.h"
#include "Platform/TrayHostWatcher.h"
#include "Views/MenuBarHintView.h"
#include "Views/MenuBarStatusView.h"
#include "Views/StatusIconPainter.h"

#include <QActionEvent>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWidgetAction>
#include <QtEndian>
#include <algorithm>

namespace {
// A host that restarts (a panel reloading) within this time is not reported as missing.
constexpr int noTrayGraceMs = 1000;
constexpr int hintClickPollMs = 100;
// How long after the desktop-wide report of a press our own mouse event of it may still arrive,
// and how long before it (a poll comes up to one interval late) it may have arrived.
constexpr int ownPressWindowMs = 50;
constexpr int ownPressToleranceMs = hintClickPollMs + 100;
// A StatusNotifierItem host reports a click on our icon over the bus, often only at the release.
constexpr int statusNotifierClickWindowMs = 600;
// Gap between the XEmbed icon and the menu below or above it.
constexpr int menuGap = 2;

// Which commands the menu lists for a state: the states that share one list share a number.
int menuItemSet(BreakState state)
{
    switch (state) {
    case BreakState::active:
    case BreakState::preAlert:
        return 1;
    case BreakState::onBreak:
        return 2;
    case BreakState::disabled:
        return 3;
    case BreakState::idle:
        break;
    }
    return 0;
}

QRect availableAreaAt(QPoint point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(point, QSize(1, 1));
}

// The top-left corner that puts a rectangle of `size` at `pos`, moved only as far as it takes to
// stay inside `area`.
QPoint keptInside(QPoint pos, QSize size, const QRect& area)
{
    return QPoint(
        std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
        std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
}

QList<StatusNotifierItem::Pixmap> statusNotifierPixmaps(const StatusItemContent& content)
{
    QList<StatusNotifierItem::Pixmap> pixmaps;
    for (const QImage& painted : StatusIconPainter::images(content)) {
        const QImage image = painted.convertToFormat(QImage::Format_ARGB32);
        StatusNotifierItem::Pixmap pixmap{image.width(), image.height(), {}};
        pixmap.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        pixmaps << pixmap;
    }
    return pixmaps;
}
} // namespace

StatusItemController::StatusItemController(Environment environment, QObject* parent)
    : QObject(parent)
    , m_env(std::move(environment))
{
    m_noTrayGrace = new QTimer(this);
    m_noTrayGrace->setSingleShot(true);
    m_noTrayGrace->setInterval(noTrayGraceMs);
    connect(m_noTrayGrace, &QTimer::timeout, this, [this] {
        if (m_host != Host::none && (m_host != Host::statusNotifier || m_statusNotifierRegistered))
            return;
        if (m_noTrayLogged)
            return;
        m_noTrayLogged = true;
        qCWarning(lcApp) << "No system tray is available; Ostavel keeps timing breaks without its "
                            "tray icon";
    });

    if (StatusNotifierItem* item = m_env.statusNotifierItem.get()) {
        const QPointer<StatusItemController> self(this);
        item->onActivated = [self](StatusNotifierItem::Activation activation,
                                   std::optional<QPoint> position) {
            if (self)
                self->onStatusNotifierActivated(activation, position);
        };
        item->onRegistered = [self] {
            if (self && self->m_host == Host::statusNotifier) {
                self->m_statusNotifierRegistered = true;
                self->iconShown("a StatusNotifierItem host");
            }
        };
    }
    // The stand figure until the first redraw follows the engine.
    m_content = StatusItemContent::make(BreakState::idle, 0, false, false);
    if (m_env.hosts)
        connect(m_env.hosts.get(), &TrayHostWatcher::changed, this,
                &StatusItemController::followHosts);
    m_noTrayGrace->start();
    followHosts();

    connect(m_env.engine, &BreakManager::stateChanged, this,
            &StatusItemController::followEngineState, Qt::QueuedConnection);
}

StatusItemController::~StatusItemController()
{
    dismissMenuBarHint();
}

// Tray hosts.

void StatusItemController::followHosts()
{
    const bool statusNotifier =
        m_env.hosts && m_env.statusNotifierItem && m_env.hosts->hasStatusNotifierHost();
    const bool xembed = m_env.hosts && m_env.hosts->hasXEmbedTray();
    const Host next = statusNotifier ? Host::statusNotifier : xembed ? Host::xembed : Host::none;
    if (next == m_host)
        return;
    const Host previous = m_host;
    m_host = next;
    if (previous == Host::xembed && m_statusItem)
        m_statusItem->hide();
    m_statusNotifierRegistered = false;

    switch (next) {
    case Host::statusNotifier:
        // Shown once the watcher takes the item; a watcher that restarts is asked again.
        m_env.statusNotifierItem->setIcon(statusNotifierPixmaps(m_content), m_content.toolTip);
        m_env.statusNotifierItem->registerWithWatcher();
        m_noTrayGrace->start();
        break;
    case Host::xembed:
        if (!m_statusItem) {
            // Made only now: Qt settles on XEmbed for good while no StatusNotifierItem host
            // exists, and the icon docks at once.
            m_statusItem = new QSystemTrayIcon(this);
            connect(m_statusItem, &QSystemTrayIcon::activated, this,
                    &StatusItemController::onStatusItemActivated);
            m_statusItem->setIcon(StatusIconPainter::icon(m_content));
            m_statusItem->setToolTip(m_content.toolTip);
        }
        m_statusItem->show();
        iconShown("an XEmbed tray");
        break;
    case Host::none:
        iconGone();
        break;
    }
}

void StatusItemController::iconShown(const char* where)
{
    m_noTrayGrace->stop();
    if (m_iconShownLogged)
        return;
    m_iconShownLogged = true;
    m_noTrayLogged = false;
    qCInfo(lcApp).noquote() << "Tray icon shown in" << where;
}

void StatusItemController::iconGone()
{
    m_iconShownLogged = false;
    m_noTrayGrace->start();
}

// Icon.

bool StatusItemController::isBlocked() const
{
    return m_env.blockers && m_env.blockers->isActive();
}

void StatusItemController::updateRedDot(bool visible)
{
    m_redDotVisible = visible;
}

void StatusItemController::updateCountdownTitle()
{
    const StatusItemContent content = StatusItemContent::make(
        m_env.engine->state(), m_env.engine->timeUntilBreak(), isBlocked(), m_redDotVisible);
    // Every tick asks; only a change of what is shown costs a redraw.
    if (m_drawn && content == m_content)
        return;
    m_drawn = true;
    m_content = content;
    drawIcon();
}

void StatusItemController::drawIcon()
{
    ++m_redraws;
    if (m_statusItem) {
        m_statusItem->setIcon(StatusIconPainter::icon(m_content));
        m_statusItem->setToolTip(m_content.toolTip);
    }
    if (m_env.statusNotifierItem && m_host == Host::statusNotifier)
        m_env.statusNotifierItem->setIcon(statusNotifierPixmaps(m_content), m_content.toolTip);
}

void StatusItemController::onStatusItemActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A double click arrives after the click that already opened the menu.
    if (reason == QSystemTrayIcon::Unknown || reason == QSystemTrayIcon::DoubleClick)
        return;
    openMenu();
}

void StatusItemController::onStatusNotifierActivated(StatusNotifierItem::Activation,
                                                     std::optional<QPoint> position)
{
    // Left, middle and right click all open the one menu; the hint stays, as for our own windows.
    if (m_menuBarHint)
        m_lastOwnPress.start();
    openMenu(position);
}

// Menu.

void StatusItemController::openMenu(std::optional<QPoint> requested)
{
    prepareStatusMenu();
    const QSize size = m_statusMenu->sizeHint();
    QPoint pos;
    if (requested) {
        pos = *requested;
    } else if (m_host == Host::xembed && m_statusItem && m_statusItem->geometry().isValid()) {
        const QRect icon = m_statusItem->geometry();
        pos = QPoint(icon.left(), icon.bottom() + 1 + menuGap);
        // A tray at the bottom of the screen: open upwards.
        if (pos.y() + size.height() > availableAreaAt(icon.center()).bottom())
            pos.setY(icon.top() - menuGap - size.height());
    } else {
        pos = QCursor::pos();
    }
    const QRect area = availableAreaAt(requested ? *requested : pos);
    m_statusMenu->popup(keptInside(pos, size, area));
}

void StatusItemController::prepareStatusMenu()
{
    // Made on the first click, not at start: a menu nobody opens should cost nothing.
    if (!m_statusMenu) {
        m_statusMenu = std::make_unique<QMenu>();
        m_statusMenu->installEventFilter(this);
        // The panel follows the engine while it exists: drop it once the menu has closed (after
        // the chosen action has run).
        connect(m_statusMenu.get(), &QMenu::aboutToHide, this, [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_statusMenu && !m_statusMenu->isVisible())
                        clearStatusMenu();
                },
                Qt::QueuedConnection);
        });
    }
    rebuildMenu();
}

void StatusItemController::clearStatusMenu()
{
    // clear() deletes the actions the menu owns, with the panel; submenus are children of
    // their own.
    m_statusMenu->clear();
    qDeleteAll(m_statusMenu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
    m_panelAction = nullptr;
    m_menuItemSet = -1;
}

void StatusItemController::rebuildMenu()
{
    if (!m_statusMenu)
        return;
    clearStatusMenu();
    QMenu* menu = m_statusMenu.get();

    m_panelAction = new QWidgetAction(menu);
    auto* panel =
        new MenuBarStatusView(*m_env.engine, *m_env.configManager, m_env.blockers, *m_env.clock);
    connect(panel, &MenuBarStatusView::sizeHintChanged, this, &StatusItemController::relayoutMenu);
    m_panelAction->setDefaultWidget(panel);
    menu->addAction(m_panelAction);
    menu->addSeparator();
    addCommandItems();
}

void StatusItemController::addCommandItems()
{
    QMenu* menu = m_statusMenu.get();
    AppDelegate* delegate = m_env.delegate;
    const BreakState state = m_env.engine->state();
    m_menuItemSet = menuItemSet(state);

    auto add = [delegate](QMenu* target, const QString& text, void (AppDelegate::*slot)()) {
        QAction* action = target->addAction(text);
        connect(action, &QAction::triggered, delegate, slot);
        return action;
    };

    const bool working = state == BreakState::active || state == BreakState::preAlert;
    if (working)
        add(menu, QStringLiteral("Start Break"), &AppDelegate::startBreakAction);
    if (working || state == BreakState::onBreak) {
        add(menu,
            state == BreakState::onBreak ? QStringLiteral("Skip Break")
                                         : QStringLiteral("Skip Next Break"),
            &AppDelegate::skipBreakAction);
        menu->addSeparator();
    }

    if (state == BreakState::disabled) {
        add(menu, QStringLiteral("Re-enable"), &AppDelegate::enableAction);
    } else {
        auto* disable = new QMenu(QStringLiteral("Disable"), menu);
        add(disable, QStringLiteral("For 1 Hour"), &AppDelegate::disableOneHourAction);
        add(disable, QStringLiteral("For 4 Hours"), &AppDelegate::disableFourHoursAction);
        add(disable, QStringLiteral("For the Rest of the Day"),
            &AppDelegate::disableRestOfDayAction);
        menu->addMenu(disable);
    }
    menu->addSeparator();

    add(menu, QStringLiteral("Send Feedback\u2026"), &AppDelegate::sendFeedback);
    menu->addSeparator();
    add(menu, QStringLiteral("Settings\u2026"), &AppDelegate::openSettings)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    add(menu, QStringLiteral("Quit Ostavel"), &AppDelegate::quitApp)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void StatusItemController::followEngineState()
{
    // An open menu offers the commands of the state the panel shows.
    if (!m_statusMenu || !m_statusMenu->isVisible() || !m_panelAction)
        return;
    if (menuItemSet(m_env.engine->state()) == m_menuItemSet)
        return;
    QMenu* menu = m_statusMenu.get();
    const QString highlighted = menu->activeAction() ? menu->activeAction()->text() : QString();

    // Everything below the panel and its separator goes; the panel stays as it is.
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = 2; i < actions.size(); ++i) {
        QMenu* submenu = actions[i]->menu();
        menu->removeAction(actions[i]);
        delete actions[i];
        delete submenu;
    }
    addCommandItems();

    if (!highlighted.isEmpty()) {
        for (QAction* action : menu->actions()) {
            if (action->text() == highlighted) {
                menu->setActiveAction(action);
                break;
            }
        }
    }
    keepMenuOnScreen();
}

void StatusItemController::relayoutMenu()
{
    if (!m_statusMenu || !m_panelAction)
        return;
    // QMenu lays its items out again only when told that one of them changed.
    QActionEvent changed(QEvent::ActionChanged, m_panelAction);
    QCoreApplication::sendEvent(m_statusMenu.get(), &changed);
    keepMenuOnScreen();
}

void StatusItemController::keepMenuOnScreen()
{
    QMenu* menu = m_statusMenu.get();
    if (!menu->isVisible())
        return;
    menu->resize(menu->sizeHint());
    const QPoint pos =
        keptInside(menu->pos(), menu->size(), availableAreaAt(menu->geometry().center()));
    if (pos != menu->pos())
        menu->move(pos);
}

bool StatusItemController::eventFilter(QObject* watched, QEvent* event)
{
    if (m_menuBarHint && event->type() == QEvent::MouseButtonPress)
        m_lastOwnPress.start();
    // An open popup menu takes the keyboard, so its items' shortcuts never reach the shortcut
    // map: match them here.
    if (watched == m_statusMenu.get() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* action : m_statusMenu->actions()) {
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed &&
                action->isEnabled()) {
                m_statusMenu->hide();
                action->trigger();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

// First-run hint.

bool StatusItemController::showMenuBarHint()
{
    if (m_host == Host::none)
        return false;
    dismissMenuBarHint();
    m_menuBarHint = std::make_unique<MenuBarHintView>();
    m_menuBarHint->showNear(m_host == Host::xembed && m_statusItem ? m_statusItem->geometry()
                                                                   : QRect());

    if (!m_pointerButtons && m_env.makePointerButtonState)
        m_pointerButtons = m_env.makePointerButtonState();
    m_lastOwnPress.invalidate();
    qApp->installEventFilter(this);
    if (m_pointerButtons) {
        const QPointer<StatusItemController> self(this);
        m_pointerButtons->watchPresses(
            [self] {
                if (self)
                    self->onPointerPressed();
            },
            [self] {
                // No press events here: poll the buttons while the hint is shown.
                if (!self || !self->m_menuBarHint || self->m_hintClickPoll)
                    return;
                self->m_polledPressed = false;
                self->m_hintClickPoll = new QTimer(self);
                self->m_hintClickPoll->setInterval(hintClickPollMs);
                connect(self->m_hintClickPoll, &QTimer::timeout, self,
                        &StatusItemController::pollHintClick);
                self->m_hintClickPoll->start();
            });
    }
    return true;
}

void StatusItemController::pollHintClick()
{
    // A press counts once, however long the button is held.
    const bool pressed = m_pointerButtons && m_pointerButtons->anyButtonPressed();
    if (pressed && !m_polledPressed)
        onPointerPressed();
    m_polledPressed = pressed;
}

void StatusItemController::onPointerPressed()
{
    if (!m_menuBarHint)
        return;
    // Like a monitor of other applications' clicks: presses on our own windows (the hint, the
    // menu, the XEmbed icon) and on our icon in a StatusNotifierItem host leave the hint open.
    // Those reach us as mouse events or a host's call too, a moment before or after the
    // desktop-wide report, so decide once both have had time to arrive.
    const int window =
        m_host == Host::statusNotifier ? statusNotifierClickWindowMs : ownPressWindowMs;
    QTimer::singleShot(window, this, [this, window] {
        if (m_menuBarHint &&
            (!m_lastOwnPress.isValid() || m_lastOwnPress.elapsed() > window + ownPressToleranceMs))
            dismissMenuBarHint();
    });
}

void StatusItemController::dismissMenuBarHint()
{
    if (m_menuBarHint) {
        m_menuBarHint->close();
        m_menuBarHint.reset();
        qApp->removeEventFilter(this);
    }
    if (m_pointerButtons)
        m_pointerButtons->stopWatchingPresses();
    if (m_hintClickPoll) {
        m_hintClickPoll->stop();
        m_hintClickPoll->deleteLater();
    }
}
