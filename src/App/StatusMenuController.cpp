#include "App/StatusMenuController.h"

#include "BreakManager/BreakManager.h"
#include "Views/MenuBarStatusView.h"

#include <QActionEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QWidgetAction>
#include <algorithm>

namespace {
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
} // namespace

StatusMenuController::StatusMenuController(Environment environment, QObject* parent)
    : QObject(parent)
    , m_env(std::move(environment))
{
    connect(m_env.engine, &BreakManager::stateChanged, this,
            &StatusMenuController::followEngineState, Qt::QueuedConnection);
    publishHostMenu();
}

StatusMenuController::~StatusMenuController() = default;

void StatusMenuController::open(std::optional<QPoint> requested)
{
    prepare();
    const QSize size = m_menu->sizeHint();
    const QRect icon = m_env.iconGeometry ? m_env.iconGeometry() : QRect();
    QPoint pos;
    if (requested) {
        pos = *requested;
    } else if (icon.isValid()) {
        pos = QPoint(icon.left(), icon.bottom() + 1 + menuGap);
        // A tray at the bottom of the screen: open upwards.
        if (pos.y() + size.height() > availableAreaAt(icon.center()).bottom())
            pos.setY(icon.top() - menuGap - size.height());
    } else {
        pos = QCursor::pos();
    }
    const QRect area = availableAreaAt(requested ? *requested : pos);
    m_menu->popup(keptInside(pos, size, area));
}

void StatusMenuController::prepare()
{
    // Made on the first click, not at start: a menu nobody opens should cost nothing.
    if (!m_menu) {
        m_menu = std::make_unique<QMenu>();
        m_menu->installEventFilter(this);
        // The panel follows the engine while it exists: drop it once the menu has closed (after
        // the chosen action has run).
        connect(m_menu.get(), &QMenu::aboutToHide, this, [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_menu && !m_menu->isVisible())
                        clear();
                },
                Qt::QueuedConnection);
        });
    }
    rebuild();
}

void StatusMenuController::clear()
{
    // clear() deletes the actions the menu owns, with the panel; submenus are children of
    // their own.
    m_menu->clear();
    qDeleteAll(m_menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
    m_panelAction = nullptr;
    m_itemSet = -1;
}

void StatusMenuController::rebuild()
{
    if (!m_menu)
        return;
    clear();
    QMenu* menu = m_menu.get();

    m_panelAction = new QWidgetAction(menu);
    auto* panel =
        new MenuBarStatusView(*m_env.engine, *m_env.configManager, m_env.blockers, *m_env.clock);
    connect(panel, &MenuBarStatusView::sizeHintChanged, this, &StatusMenuController::relayout);
    m_panelAction->setDefaultWidget(panel);
    menu->addAction(m_panelAction);
    menu->addSeparator();
    addCommandItems();
}

QList<StatusNotifierItem::MenuEntry> StatusMenuController::commandEntries() const
{
    using Entry = StatusNotifierItem::MenuEntry;
    auto command = [](const QString& text, const std::function<void()>& run,
                      const QString& shortcut = QString()) {
        return Entry{Entry::Kind::command, text, shortcut, {}, [run] {
                         if (run)
                             run();
                     }};
    };
    const Entry separator{Entry::Kind::separator, {}, {}, {}, {}};
    const StatusMenuCommands& commands = m_env.commands;
    const BreakState state = m_env.engine->state();

    QList<Entry> entries;
    const bool working = state == BreakState::active || state == BreakState::preAlert;
    if (working)
        entries << command(QStringLiteral("Start Break"), commands.startBreak);
    if (working || state == BreakState::onBreak) {
        entries << command(state == BreakState::onBreak ? QStringLiteral("Skip Break")
                                                        : QStringLiteral("Skip Next Break"),
                           commands.skipBreak)
                << separator;
    }
    if (state == BreakState::disabled) {
        entries << command(QStringLiteral("Re-enable"), commands.enable);
    } else {
        entries << Entry{
            Entry::Kind::submenu,
            QStringLiteral("Disable"),
            {},
            {command(QStringLiteral("For 1 Hour"), commands.disableOneHour),
             command(QStringLiteral("For 4 Hours"), commands.disableFourHours),
             command(QStringLiteral("For the Rest of the Day"), commands.disableRestOfDay)},
            {}};
    }
    entries << separator << command(QStringLiteral("Send Feedback\u2026"), commands.sendFeedback)
            << separator
            << command(QStringLiteral("Settings\u2026"), commands.openSettings,
                       QStringLiteral("Ctrl+,"))
            << command(QStringLiteral("Quit Ostavel"), commands.quit, QStringLiteral("Ctrl+Q"));
    return entries;
}

void StatusMenuController::addCommandItems()
{
    m_itemSet = menuItemSet(m_env.engine->state());
    std::function<void(QMenu*, const QList<StatusNotifierItem::MenuEntry>&)> addEntries =
        [this, &addEntries](QMenu* target, const QList<StatusNotifierItem::MenuEntry>& entries) {
            using Kind = StatusNotifierItem::MenuEntry::Kind;
            for (const StatusNotifierItem::MenuEntry& entry : entries) {
                if (entry.kind == Kind::separator) {
                    target->addSeparator();
                } else if (entry.kind == Kind::submenu) {
                    auto* submenu = new QMenu(entry.label, target);
                    addEntries(submenu, entry.children);
                    target->addMenu(submenu);
                } else {
                    QAction* action = target->addAction(entry.label);
                    action->setEnabled(entry.kind == Kind::command);
                    if (entry.chosen)
                        connect(action, &QAction::triggered, this, entry.chosen);
                    if (!entry.shortcut.isEmpty())
                        action->setShortcut(
                            QKeySequence(entry.shortcut, QKeySequence::PortableText));
                }
            }
        };
    addEntries(m_menu.get(), commandEntries());
}

QList<StatusNotifierItem::MenuEntry> StatusMenuController::hostMenu() const
{
    using Entry = StatusNotifierItem::MenuEntry;
    // Closed, the host holds the lines of the last state change, so an opening shows no stale
    // shape; open, the panel that follows the engine.
    const StatusPanelContent content =
        m_hostPanel
            ? m_hostPanel->content()
            : MenuBarStatusView(*m_env.engine, *m_env.configManager, m_env.blockers, *m_env.clock)
                  .content();
    QList<Entry> entries{{Entry::Kind::text, content.title, {}, {}, {}}};
    if (!content.timeLine.isEmpty())
        entries << Entry{Entry::Kind::text, content.timeLine, {}, {}, {}};
    for (const StatusPanelContent::Line& line : content.details)
        entries << Entry{Entry::Kind::text, line.text, {}, {}, {}};
    entries << Entry{Entry::Kind::separator, {}, {}, {}, {}} << commandEntries();
    return entries;
}

void StatusMenuController::publishHostMenu()
{
    if (!m_env.publishHostMenu)
        return;
    m_hostItemSet = menuItemSet(m_env.engine->state());
    m_env.publishHostMenu(hostMenu());
}

void StatusMenuController::hostMenuShown(bool open)
{
    if (!m_env.publishHostMenu || open == (m_hostPanel != nullptr))
        return;
    if (!open) {
        m_hostPanel.reset();
        return;
    }
    m_hostPanel = std::make_unique<MenuBarStatusView>(*m_env.engine, *m_env.configManager,
                                                      m_env.blockers, *m_env.clock);
    connect(m_hostPanel.get(), &MenuBarStatusView::contentChanged, this,
            &StatusMenuController::publishHostMenu);
    publishHostMenu();
}

void StatusMenuController::followEngineState()
{
    if (m_env.publishHostMenu && menuItemSet(m_env.engine->state()) != m_hostItemSet)
        publishHostMenu();
    // An open menu offers the commands of the state the panel shows.
    if (!m_menu || !m_menu->isVisible() || !m_panelAction)
        return;
    if (menuItemSet(m_env.engine->state()) == m_itemSet)
        return;
    QMenu* menu = m_menu.get();
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
    keepOnScreen();
}

void StatusMenuController::relayout()
{
    if (!m_menu || !m_panelAction)
        return;
    // QMenu lays its items out again only when told that one of them changed.
    QActionEvent changed(QEvent::ActionChanged, m_panelAction);
    QCoreApplication::sendEvent(m_menu.get(), &changed);
    keepOnScreen();
}

void StatusMenuController::keepOnScreen()
{
    QMenu* menu = m_menu.get();
    if (!menu->isVisible())
        return;
    menu->resize(menu->sizeHint());
    const QPoint pos =
        keptInside(menu->pos(), menu->size(), availableAreaAt(menu->geometry().center()));
    if (pos != menu->pos())
        menu->move(pos);
}

bool StatusMenuController::eventFilter(QObject* watched, QEvent* event)
{
    // An open popup menu takes the keyboard, so its items' shortcuts never reach the shortcut
    // map: match them here.
    if (watched == m_menu.get() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* action : m_menu->actions()) {
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed &&
                action->isEnabled()) {
                m_menu->hide();
                action->trigger();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
