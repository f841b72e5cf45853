#pragma once

#include "Platform/StatusNotifierItem.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QLoggingCategory>
#include <QObject>
#include <memory>

class DBusMenuExporter;

Q_DECLARE_LOGGING_CATEGORY(lcTray)

using StatusNotifierPixmaps = QList<StatusNotifierItem::Pixmap>;

// The tooltip structure of the protocol: (sa(iiay)ss).
struct StatusNotifierToolTip {
    QString iconName;
    StatusNotifierPixmaps iconPixmap;
    QString title;
    QString description;
};

// Our StatusNotifierItem on the session bus: the object /StatusNotifierItem, registered by that
// path under our connection's unique name, with the protocol's properties, its click methods and
// its change signals. Where the host draws a menu it is given, it exports one at /MenuBar
// (com.canonical.dbusmenu); elsewhere it exports none and has no Menu property, so hosts call
// ContextMenu and the application pops up its own. Every call to the bus is asynchronous.
class DBusStatusNotifierItem final : public QObject, public StatusNotifierItem {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ noName)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(StatusNotifierPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(StatusNotifierPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(StatusNotifierPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(QString IconAccessibleDesc READ accessibleDescription)
    Q_PROPERTY(QString AttentionAccessibleDesc READ accessibleDescription)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    // Not scriptable: exported only with the menu. A placeholder path such as /NO_DBUSMENU makes
    // Xfce's tray ask it for a layout (an error each time) and Plasma log a warning at every read.
    Q_PROPERTY(QDBusObjectPath Menu READ menu SCRIPTABLE false)

public:
    explicit DBusStatusNotifierItem(QDBusConnection bus = QDBusConnection::sessionBus(),
                                    bool exportMenu = false, QObject* parent = nullptr);
    // GNOME Shell's AppIndicator extension sends a single click to an item only as the opening
    // of its menu, and under Wayland a menu of ours gets no keyboard: there the host draws it.
    static bool hostMenuWanted();
    ~DBusStatusNotifierItem() override;

    void setIcon(const QList<Pixmap>& sizes, const QString& toolTip) override;
    void registerWithWatcher() override;
    bool hostDrawsMenu() const override { return m_menu != nullptr; }
    void setMenu(const QList<MenuEntry>& entries) override;

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("ostavel"); }
    QString title() const { return QStringLiteral("Ostavel"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    StatusNotifierPixmaps iconPixmap() const { return m_pixmaps; }
    StatusNotifierPixmaps noPixmaps() const { return {}; }
    StatusNotifierToolTip toolTip() const;
    // The tooltip's full title: hosts read it again with the icon, at each NewIcon.
    QString accessibleDescription() const { return m_toolTip; }
    bool itemIsMenu() const { return hostDrawsMenu(); }
    QDBusObjectPath menu() const;

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);
    // Hosts on Wayland send a token before each click; nothing we open needs one.
    void ProvideXdgActivationToken(const QString& token);

signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    void activate(Activation activation, int x, int y);

    QDBusConnection m_bus;
    bool m_exported = false;
    StatusNotifierPixmaps m_pixmaps;
    QString m_toolTip;
    std::unique_ptr<DBusMenuExporter> m_menu;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierItem::Pixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierItem::Pixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip);

Q_DECLARE_METATYPE(StatusNotifierItem::Pixmap)
Q_DECLARE_METATYPE(StatusNotifierToolTip)
