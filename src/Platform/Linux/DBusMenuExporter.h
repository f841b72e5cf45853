#pragma once

#include "Platform/StatusNotifierItem.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QHash>
#include <QObject>
#include <QVariantMap>
#include <map>

// One item of the layout with its subtree: (ia{sv}av), the children each in a variant.
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
// (ia{sv}): an item's properties.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
// (ias): names of an item's properties.
struct DBusMenuItemPropertyNames {
    int id = 0;
    QStringList names;
};
// (isvu): one event of EventGroup.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;
using DBusMenuItemPropertyNamesList = QList<DBusMenuItemPropertyNames>;
using DBusMenuEventList = QList<DBusMenuEvent>;

// A menu on the bus as com.canonical.dbusmenu, for a tray host to draw with its own keyboard and
// pointer handling. A new menu sends the properties that changed, and a new layout when items
// came, went or moved. Unknown ids are answered with nothing rather than an error. Main thread.
class DBusMenuExporter final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    DBusMenuExporter(QDBusConnection bus, QString path, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    bool isExported() const { return m_exported; }
    void setEntries(const QList<StatusNotifierItem::MenuEntry>& entries);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // The host opened (true) or closed (false) the menu.
    std::function<void(bool)> onShown;

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   DBusMenuLayoutItem& layout);
    DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                  const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const DBusMenuItemPropertiesList& updatedProps,
                                const DBusMenuItemPropertyNamesList& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    struct Node {
        QVariantMap properties;
        QList<int> children;
        std::function<void()> chosen;
    };
    int add(const StatusNotifierItem::MenuEntry& entry,
            const StatusNotifierItem::MenuEntry* previous, const QString& parentKey,
            QHash<QString, int>& seen, std::map<int, Node>& nodes);
    DBusMenuLayoutItem layoutOf(int id, int depth, const QStringList& names) const;
    void runChosen();
    bool known(int id) const { return m_nodes.count(id) != 0; }

    QDBusConnection m_bus;
    QString m_path;
    bool m_exported = false;
    uint m_revision = 1;
    // By id; the root is 0.
    std::map<int, Node> m_nodes;
    // An item keeps its id while it stays, so a host that reuses its items by id never shows one
    // as another.
    QHash<QString, int> m_ids;
    int m_nextId = 1;
    // A command chosen in the host's menu, until the host has closed it.
    std::function<void()> m_chosen;
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemPropertyNames& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemPropertyNames& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItemProperties)
Q_DECLARE_METATYPE(DBusMenuItemPropertyNames)
Q_DECLARE_METATYPE(DBusMenuEvent)
