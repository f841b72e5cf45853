#include "Platform/Linux/DBusMenuExporter.h"

#include <QDBusMetaType>
#include <QMetaObject>
#include <QTimer>
#include <utility>

namespace {
constexpr std::chrono::milliseconds chosenDelay{250};
using Entry = StatusNotifierItem::MenuEntry;

// "Ctrl+," as the protocol writes it: [["Control", "comma"]].
QList<QStringList> shortcutKeys(const QString& portable)
{
    QStringList keys;
    for (const QString& part : portable.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("Ctrl"))
            keys << QStringLiteral("Control");
        else if (part == QLatin1String("Meta"))
            keys << QStringLiteral("Super");
        else if (part == QLatin1String(","))
            keys << QStringLiteral("comma");
        else if (part.size() == 1)
            keys << part.toLower();
        else
            keys << part;
    }
    return keys.isEmpty() ? QList<QStringList>() : QList<QStringList>{keys};
}

QVariantMap propertiesOf(const Entry& entry)
{
    QVariantMap properties;
    if (entry.kind == Entry::Kind::separator) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    // An underscore marks the access key: a literal one is doubled.
    QString label = entry.label;
    properties.insert(QStringLiteral("label"),
                      label.replace(QLatin1Char('_'), QStringLiteral("__")));
    if (entry.kind == Entry::Kind::text)
        properties.insert(QStringLiteral("enabled"), false);
    if (entry.kind == Entry::Kind::submenu)
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    if (!entry.shortcut.isEmpty())
        properties.insert(QStringLiteral("shortcut"),
                          QVariant::fromValue(shortcutKeys(entry.shortcut)));
    return properties;
}

QVariantMap only(const QVariantMap& properties, const QStringList& names)
{
    if (names.isEmpty())
        return properties;
    QVariantMap chosen;
    for (const QString& name : names)
        if (properties.contains(name))
            chosen.insert(name, properties.value(name));
    return chosen;
}
} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    item.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children << qdbus_cast<DBusMenuLayoutItem>(child.variant());
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemPropertyNames& item)
{
    argument.beginStructure();
    argument << item.id << item.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemPropertyNames& item)
{
    argument.beginStructure();
    argument >> item.id >> item.names;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

DBusMenuExporter::DBusMenuExporter(QDBusConnection bus, QString path, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_path(std::move(path))
{
    qDBusRegisterMetaType<DBusMenuLayoutItem>();
    qDBusRegisterMetaType<DBusMenuItemProperties>();
    qDBusRegisterMetaType<DBusMenuItemPropertiesList>();
    qDBusRegisterMetaType<DBusMenuItemPropertyNames>();
    qDBusRegisterMetaType<DBusMenuItemPropertyNamesList>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<DBusMenuEventList>();
    qDBusRegisterMetaType<QList<QStringList>>();
    // The signals name the lists by their aliases.
    qRegisterMetaType<DBusMenuItemPropertiesList>("DBusMenuItemPropertiesList");
    qRegisterMetaType<DBusMenuItemPropertyNamesList>("DBusMenuItemPropertyNamesList");
    qRegisterMetaType<DBusMenuEventList>("DBusMenuEventList");
    m_nodes[0] = Node{{{QStringLiteral("children-display"), QStringLiteral("submenu")}}, {}, {}};
    m_exported =
        m_bus.registerObject(m_path, this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                 QDBusConnection::ExportAllProperties);
}

DBusMenuExporter::~DBusMenuExporter()
{
    if (m_exported)
        m_bus.unregisterObject(m_path);
}

int DBusMenuExporter::add(const Entry& entry, const Entry* previous, const QString& parentKey,
                          QHash<QString, int>& seen, std::map<int, Node>& nodes)
{
    // A command by its label, a line by its place among the lines, a separator by what it
    // follows: so items that stay keep their order too, which hosts rely on.
    const auto kindKey = [](const Entry& e) {
        QString key = QString::number(int(e.kind)) + QLatin1Char(':');
        if (e.kind == Entry::Kind::command || e.kind == Entry::Kind::submenu)
            key += e.label;
        return key;
    };
    QString key = parentKey + QLatin1Char('/') + kindKey(entry);
    if (entry.kind == Entry::Kind::separator && previous)
        key += kindKey(*previous);
    key += QLatin1Char('#') + QString::number(seen[key]++);
    int id = m_ids.value(key);
    if (id == 0) {
        id = m_nextId++;
        m_ids.insert(key, id);
    }
    Node node{propertiesOf(entry), {}, entry.chosen};
    for (qsizetype i = 0; i < entry.children.size(); ++i)
        node.children << add(entry.children[i], i ? &entry.children[i - 1] : nullptr, key, seen,
                             nodes);
    nodes[id] = std::move(node);
    return id;
}

void DBusMenuExporter::setEntries(const QList<Entry>& entries)
{
    std::map<int, Node> nodes;
    QHash<QString, int> seen;
    Node root = m_nodes.at(0);
    root.children.clear();
    for (qsizetype i = 0; i < entries.size(); ++i)
        root.children << add(entries[i], i ? &entries[i - 1] : nullptr, QString(), seen, nodes);
    nodes[0] = std::move(root);

    bool sameLayout = nodes.size() == m_nodes.size();
    // Items that stay and whose properties changed; hosts read only a layout's types again.
    DBusMenuItemPropertiesList updated;
    DBusMenuItemPropertyNamesList removed;
    for (const auto& [id, node] : nodes) {
        const auto before = m_nodes.find(id);
        if (before == m_nodes.end()) {
            sameLayout = false;
            continue;
        }
        sameLayout = sameLayout && before->second.children == node.children;
        QVariantMap changed;
        for (auto it = node.properties.begin(); it != node.properties.end(); ++it)
            if (before->second.properties.value(it.key()) != it.value())
                changed.insert(it.key(), it.value());
        QStringList gone;
        for (auto it = before->second.properties.begin(); it != before->second.properties.end();
             ++it)
            if (!node.properties.contains(it.key()))
                gone << it.key();
        if (!changed.isEmpty())
            updated << DBusMenuItemProperties{id, changed};
        if (!gone.isEmpty())
            removed << DBusMenuItemPropertyNames{id, gone};
    }
    m_nodes = std::move(nodes);
    if (!updated.isEmpty() || !removed.isEmpty())
        emit ItemsPropertiesUpdated(updated, removed);
    if (!sameLayout)
        emit LayoutUpdated(++m_revision, 0);
}

DBusMenuLayoutItem DBusMenuExporter::layoutOf(int id, int depth, const QStringList& names) const
{
    const Node& node = m_nodes.at(id);
    DBusMenuLayoutItem item{id, only(node.properties, names), {}};
    if (depth != 0)
        for (int child : node.children)
            item.children << layoutOf(child, depth < 0 ? -1 : depth - 1, names);
    return item;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout)
{
    layout = known(parentId) ? layoutOf(parentId, recursionDepth, propertyNames)
                             : DBusMenuLayoutItem{parentId, {}, {}};
    return m_revision;
}

DBusMenuItemPropertiesList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                const QStringList& propertyNames)
{
    DBusMenuItemPropertiesList properties;
    for (int id : ids)
        if (known(id))
            properties << DBusMenuItemProperties{id,
                                                 only(m_nodes.at(id).properties, propertyNames)};
    return properties;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name)
{
    return QDBusVariant(known(id) ? m_nodes.at(id).properties.value(name) : QVariant());
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!known(id))
        return;
    if (id == 0 && (eventId == QLatin1String("opened") || eventId == QLatin1String("closed"))) {
        const bool open = eventId == QLatin1String("opened");
        if (!open)
            QMetaObject::invokeMethod(this, &DBusMenuExporter::runChosen, Qt::QueuedConnection);
        if (onShown)
            onShown(open);
        return;
    }
    const std::function<void()> chosen = m_nodes.at(id).chosen;
    if (eventId != QLatin1String("clicked") || !chosen)
        return;
    // Run once the host has closed its menu (and let go of the keyboard), which it tells right
    // after the click; a host that does not tell gets it a moment later.
    m_chosen = chosen;
    QTimer::singleShot(chosenDelay, this, &DBusMenuExporter::runChosen);
}

void DBusMenuExporter::runChosen()
{
    const std::function<void()> chosen = std::exchange(m_chosen, nullptr);
    if (chosen)
        chosen();
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events) {
        if (!known(event.id))
            idErrors << event.id;
        Event(event.id, event.eventId, event.data, event.timestamp);
    }
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int)
{
    // Every change has been sent as it happened.
    return false;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (int id : ids)
        if (!known(id))
            idErrors << id;
    return {};
}
