#include "App/StatusItemController.h"

#include "App/AppLog.h"
#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "BreakManager/BreakManager.h"
#include "Platform/ServiceTimer.h"
#include "Views/StatusIconPainter.h"

#include <QtEndian>

namespace {
// A host that restarts (a panel reloading) within this time is not reported as missing.
constexpr std::chrono::milliseconds noTrayGraceTime{1000};

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
    m_noTrayGrace = m_env.makeTimer ? m_env.makeTimer() : std::make_unique<QtServiceTimer>();

    if (StatusNotifierItem* item = m_env.statusNotifierItem.get()) {
        const QPointer<StatusItemController> self(this);
        item->onActivated = [self, item](StatusNotifierItem::Activation,
                                         std::optional<QPoint> position) {
            // A host that draws the menu has shown it already.
            if (!self || item->hostDrawsMenu())
                return;
            // Left, middle and right click all open the one menu.
            emit self->clickedInHost();
            emit self->menuRequested(position);
        };
        item->onMenuShown = [self](bool open) {
            if (self)
                emit self->hostMenuShown(open);
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
    startNoTrayGrace();
    followHosts();
}

StatusItemController::~StatusItemController() = default;

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
        startNoTrayGrace();
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
    startNoTrayGrace();
}

void StatusItemController::startNoTrayGrace()
{
    m_noTrayGrace->start(noTrayGraceTime, [this] { reportMissingTray(); });
}

void StatusItemController::reportMissingTray()
{
    if (m_host != Host::none && (m_host != Host::statusNotifier || m_statusNotifierRegistered))
        return;
    if (m_noTrayLogged)
        return;
    m_noTrayLogged = true;
    qCWarning(lcApp) << "No system tray is available; Ostavel keeps timing breaks without its "
                        "tray icon";
}

bool StatusItemController::hostDrawsMenu() const
{
    return m_env.statusNotifierItem && m_env.statusNotifierItem->hostDrawsMenu();
}

void StatusItemController::setHostMenu(const QList<StatusNotifierItem::MenuEntry>& entries)
{
    if (hostDrawsMenu())
        m_env.statusNotifierItem->setMenu(entries);
}

QRect StatusItemController::iconGeometry() const
{
    return m_host == Host::xembed && m_statusItem ? m_statusItem->geometry() : QRect();
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
    emit menuRequested(std::nullopt);
}
