#include "Platform/Linux/DBusStatusNotifierItem.h"

#include "Platform/Linux/DBusMenuExporter.h"

#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

Q_LOGGING_CATEGORY(lcTray, "com.ostavel.app.Tray")

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
constexpr int callTimeoutMs = 5000;
} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierItem::Pixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierItem::Pixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.iconPixmap << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.iconPixmap >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

DBusStatusNotifierItem::DBusStatusNotifierItem(QDBusConnection bus, bool exportMenu,
                                               QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<StatusNotifierItem::Pixmap>();
    qDBusRegisterMetaType<StatusNotifierPixmaps>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
    // Registering an object is local to this process: nothing is sent yet. The menu goes first:
    // whether it is there decides whether the item has a Menu property.
    if (exportMenu) {
        m_menu = std::make_unique<DBusMenuExporter>(m_bus, menuPath);
        if (!m_menu->isExported()) {
            qCWarning(lcTray) << "Cannot export the tray menu on the session bus";
            m_menu.reset();
        }
    }
    m_exported =
        m_bus.registerObject(itemPath, this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                 (m_menu ? QDBusConnection::ExportAllProperties
                                         : QDBusConnection::ExportScriptableProperties));
    if (!m_exported) {
        qCWarning(lcTray) << "Cannot export the tray item on the session bus";
        m_menu.reset();
    }
    if (m_menu)
        m_menu->onShown = [this](bool open) {
            if (onMenuShown)
                onMenuShown(open);
        };
}

bool DBusStatusNotifierItem::hostMenuWanted()
{
    const QByteArray desktops = qgetenv("XDG_CURRENT_DESKTOP");
    for (const QByteArray& desktop : desktops.split(':'))
        if (desktop == "GNOME")
            return true;
    return false;
}

QDBusObjectPath DBusStatusNotifierItem::menu() const
{
    return QDBusObjectPath(menuPath);
}

void DBusStatusNotifierItem::setMenu(const QList<MenuEntry>& entries)
{
    if (m_menu)
        m_menu->setEntries(entries);
}

DBusStatusNotifierItem::~DBusStatusNotifierItem()
{
    m_menu.reset();
    if (m_exported)
        m_bus.unregisterObject(itemPath);
}

StatusNotifierToolTip DBusStatusNotifierItem::toolTip() const
{
    return {QString(), {}, m_toolTip, QString()};
}

void DBusStatusNotifierItem::setIcon(const QList<Pixmap>& sizes, const QString& toolTip)
{
    // The description goes with the icon: both are new before NewIcon asks hosts to read them.
    const bool newToolTip = toolTip != m_toolTip;
    m_pixmaps = sizes;
    m_toolTip = toolTip;
    emit NewIcon();
    if (newToolTip)
        emit NewToolTip();
}

void DBusStatusNotifierItem::registerWithWatcher()
{
    if (!m_exported)
        return;
    // By path, which the watcher pairs with our unique name, and under no well-known name: GNOME's
    // AppIndicator extension watches such a name, and when the watch first reports after our
    // properties came in (a starved shell), it forgets them and drops the item.
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService,
        QStringLiteral("RegisterStatusNotifierItem"));
    call << itemPath;
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<> reply = *finished;
                if (reply.isError()) {
                    qCWarning(lcTray).noquote()
                        << QStringLiteral("The tray's watcher did not take the item: %1")
                               .arg(reply.error().message());
                    return;
                }
                if (onRegistered)
                    onRegistered();
            });
}

void DBusStatusNotifierItem::activate(Activation activation, int x, int y)
{
    // Hosts that do not know where the click was pass 0, 0.
    const std::optional<QPoint> position =
        x == 0 && y == 0 ? std::nullopt : std::optional<QPoint>(QPoint(x, y));
    if (onActivated)
        onActivated(activation, position);
}

void DBusStatusNotifierItem::Activate(int x, int y)
{
    activate(Activation::primary, x, y);
}

void DBusStatusNotifierItem::SecondaryActivate(int x, int y)
{
    activate(Activation::secondary, x, y);
}

void DBusStatusNotifierItem::ContextMenu(int x, int y)
{
    activate(Activation::context, x, y);
}

void DBusStatusNotifierItem::Scroll(int, const QString&) {}

void DBusStatusNotifierItem::ProvideXdgActivationToken(const QString&) {}
