#include "FakeDBusService.h"
#include "Platform/Linux/DBusMenuExporter.h"
#include "Platform/Linux/DBusStatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

namespace {
// Records the signals of one interface on the session connection.
class SignalLog : public QObject {
    Q_OBJECT
public:
    QList<QDBusMessage> received;
public slots:
    void onSignal(const QDBusMessage& message) { received << message; }
};

const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// The item on a connection of its own, called by the test through the session connection, as a
// host would. Calls are waited for with the event loop running, since the item answers on it.
class StatusNotifierItemBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under with-session.sh";
        ASSERT_TRUE(itemBus.isConnected());
        item = std::make_unique<DBusStatusNotifierItem>(itemBus, exportMenu());
    }
    void TearDown() override
    {
        item.reset();
        QDBusConnection::disconnectFromBus(connectionName);
    }

    virtual bool exportMenu() const { return false; }

    QDBusMessage call(const QString& interface, const QString& member, const QVariantList& args,
                      const QString& path = QStringLiteral("/StatusNotifierItem"))
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(itemBus.baseService(), path, interface, member);
        message.setArguments(args);
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message, 5000);
        while (!pending.isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return pending.reply();
    }

    QString connectionName = QStringLiteral("sni-") + QUuid::createUuid().toString(QUuid::Id128);
    QDBusConnection itemBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    std::unique_ptr<DBusStatusNotifierItem> item;
};

class HostDrawnMenu : public StatusNotifierItemBus {
protected:
    bool exportMenu() const override { return true; }
    QDBusMessage callMenu(const QString& member, const QVariantList& args)
    {
        return call(menuInterface, member, args, QStringLiteral("/MenuBar"));
    }
    // The labels of the layout below id 0, depth first, submenus' children after a ">".
    static QStringList labels(const DBusMenuLayoutItem& item)
    {
        QStringList out;
        for (const DBusMenuLayoutItem& child : item.children) {
            out << child.properties.value(QStringLiteral("label"), QStringLiteral("-")).toString();
            for (const QString& below : labels(child))
                out << QStringLiteral(">") + below;
        }
        return out;
    }
    DBusMenuLayoutItem layout()
    {
        const QDBusMessage reply = callMenu(QStringLiteral("GetLayout"), {0, -1, QStringList()});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().value(1));
    }
};

using Entry = StatusNotifierItem::MenuEntry;
QList<Entry> menuOf(const QString& title, const QString& command, int* chosen)
{
    return {{Entry::Kind::text, title, {}, {}, {}},
            {Entry::Kind::separator, {}, {}, {}, {}},
            {Entry::Kind::submenu,
             QStringLiteral("Disable"),
             {},
             {{Entry::Kind::command, QStringLiteral("For 1 Hour"), {}, {}, {}}},
             {}},
            {Entry::Kind::command, command, QStringLiteral("Ctrl+Q"), {}, [chosen] { ++*chosen; }}};
}
} // namespace

// Every property and method that GNOME's AppIndicator extension, Plasma and Xfce's panel use
// answers without an error, and the accessible descriptions follow the icon's title. Without a
// menu of its own to serve the item names none: Xfce's tray asks any named path for a layout.
TEST_F(StatusNotifierItemBus, AnswersEveryPropertyAndMethodHostsUse)
{
    item->setIcon({{1, 1, QByteArray(4, '\xff')}}, QStringLiteral("35m"));

    const QStringList properties = {"Category",
                                    "Id",
                                    "Title",
                                    "Status",
                                    "WindowId",
                                    "IconThemePath",
                                    "IconName",
                                    "IconPixmap",
                                    "OverlayIconName",
                                    "OverlayIconPixmap",
                                    "AttentionIconName",
                                    "AttentionIconPixmap",
                                    "AttentionMovieName",
                                    "ToolTip",
                                    "ItemIsMenu",
                                    "IconAccessibleDesc",
                                    "AttentionAccessibleDesc"};
    const QDBusMessage all = call(propertiesInterface, QStringLiteral("GetAll"), {itemInterface});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << all.errorMessage().toStdString();
    const QVariantMap values = qdbus_cast<QVariantMap>(all.arguments().value(0));
    for (const QString& property : properties) {
        SCOPED_TRACE(property.toStdString());
        EXPECT_TRUE(values.contains(property));
        const QDBusMessage one =
            call(propertiesInterface, QStringLiteral("Get"), {itemInterface, property});
        EXPECT_EQ(one.type(), QDBusMessage::ReplyMessage) << one.errorMessage().toStdString();
    }
    EXPECT_FALSE(values.contains(QStringLiteral("Menu")));
    EXPECT_EQ(values.value(QStringLiteral("IconAccessibleDesc")).toString(), "35m");
    EXPECT_EQ(values.value(QStringLiteral("AttentionAccessibleDesc")).toString(), "35m");

    int clicks = 0;
    item->onActivated = [&clicks](StatusNotifierItem::Activation, std::optional<QPoint>) {
        ++clicks;
    };
    const struct {
        const char* member;
        QVariantList args;
    } methods[] = {
        {"ProvideXdgActivationToken", {QStringLiteral("token")}},
        {"Activate", {10, 20}},
        {"SecondaryActivate", {10, 20}},
        {"ContextMenu", {10, 20}},
        {"Scroll", {120, QStringLiteral("vertical")}},
    };
    for (const auto& method : methods) {
        SCOPED_TRACE(method.member);
        const QDBusMessage reply =
            call(itemInterface, QString::fromLatin1(method.member), method.args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    EXPECT_EQ(clicks, 3);

    // A new title is the new description as soon as the host hears of the new icon.
    item->setIcon({{1, 1, QByteArray(4, '\xff')}}, QStringLiteral("1m Blocked"));
    const QDBusMessage desc = call(propertiesInterface, QStringLiteral("Get"),
                                   {itemInterface, QStringLiteral("IconAccessibleDesc")});
    EXPECT_EQ(qdbus_cast<QDBusVariant>(desc.arguments().value(0)).variant().toString(),
              "1m Blocked");
}

// The item registers its path from its own connection and owns no well-known name: the watcher
// pairs the path with the sender, and GNOME's AppIndicator extension has no name of ours to watch
// (that watch's first report, late in a starved shell, makes it drop the item).
TEST_F(StatusNotifierItemBus, RegistersItsPathUnderItsUniqueNameOnly)
{
    const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
    FakeDBusService watcher(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName,
                            QStringLiteral("RegisterStatusNotifierItem"), QVariant());
    ASSERT_TRUE(watcher.isRegistered());
    bool registered = false;
    item->onRegistered = [&registered] { registered = true; };
    item->registerWithWatcher();
    ASSERT_TRUE(QTest::qWaitFor([&] { return registered; }, 5000));

    const QDBusMessage registration = watcher.lastCall();
    EXPECT_EQ(registration.service(), itemBus.baseService());
    EXPECT_EQ(registration.arguments().value(0).toString().toStdString(), "/StatusNotifierItem");
    QDBusConnectionInterface* daemon = QDBusConnection::sessionBus().interface();
    for (const QString& name : daemon->registeredServiceNames().value()) {
        if (name.startsWith(u':'))
            continue;
        EXPECT_NE(daemon->serviceOwner(name).value(), itemBus.baseService())
            << "owns " << name.toStdString();
    }
}

// The host draws the menu it reads over com.canonical.dbusmenu: every method answers, a click
// runs its command, the opening is reported, and a change reaches the host as changed
// properties (the host reads only the types of a new layout) or a new layout.
TEST_F(HostDrawnMenu, ServesTheMenuAndItsChanges)
{
    int chosen = 0;
    QList<bool> shown;
    item->onMenuShown = [&shown](bool open) { shown << open; };
    ASSERT_TRUE(item->hostDrawsMenu());
    item->setMenu(menuOf(QStringLiteral("Working"), QStringLiteral("Quit_Ostavel"), &chosen));

    const QVariantMap values = qdbus_cast<QVariantMap>(
        call(propertiesInterface, QStringLiteral("GetAll"), {itemInterface}).arguments().value(0));
    EXPECT_EQ(qdbus_cast<QDBusObjectPath>(values.value(QStringLiteral("Menu"))).path(), "/MenuBar");
    EXPECT_TRUE(values.value(QStringLiteral("ItemIsMenu")).toBool());

    const DBusMenuLayoutItem before = layout();
    EXPECT_EQ(labels(before).join(' ').toStdString(),
              "Working - Disable >For 1 Hour Quit__Ostavel");
    ASSERT_EQ(before.children.size(), 4);
    const int quitId = before.children[3].id;
    EXPECT_EQ(before.children[0].properties.value(QStringLiteral("enabled")), QVariant(false));
    EXPECT_EQ(before.children[2].properties.value(QStringLiteral("children-display")), "submenu");
    EXPECT_EQ(before.children[1].properties.value(QStringLiteral("type")), "separator");

    const struct {
        const char* member;
        QVariantList args;
    } methods[] = {
        {"GetGroupProperties", {QVariant::fromValue(QList<int>{0, quitId, 999}), QStringList()}},
        {"GetProperty", {quitId, QStringLiteral("label")}},
        {"AboutToShow", {0}},
        {"AboutToShowGroup", {QVariant::fromValue(QList<int>{0, quitId})}},
        {"Event", {0, QStringLiteral("opened"), QVariant::fromValue(QDBusVariant(0)), 0u}},
        {"Event", {quitId, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u}},
        {"Event", {999, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u}},
        {"Event", {0, QStringLiteral("closed"), QVariant::fromValue(QDBusVariant(0)), 0u}},
    };
    for (const auto& method : methods) {
        SCOPED_TRACE(method.member);
        const QDBusMessage reply = callMenu(QString::fromLatin1(method.member), method.args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    const QDBusMessage version = call(propertiesInterface, QStringLiteral("GetAll"),
                                      {menuInterface}, QStringLiteral("/MenuBar"));
    EXPECT_EQ(qdbus_cast<QVariantMap>(version.arguments().value(0)).value("Version").toUInt(), 3u);
    // The command runs once the host has closed its menu.
    QCoreApplication::processEvents();
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(shown, QList<bool>({true, false}));

    SignalLog log;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(itemBus.baseService(), "/MenuBar",
                                                      menuInterface, QString(), &log,
                                                      SLOT(onSignal(QDBusMessage))));
    call(propertiesInterface, QStringLiteral("GetAll"), {menuInterface}, "/MenuBar");
    // A new title: its item keeps its id, only its label is sent.
    item->setMenu(menuOf(QStringLiteral("Break Soon"), QStringLiteral("Quit_Ostavel"), &chosen));
    // A command more: a new layout, and the title that stays keeps its id.
    QList<Entry> more = menuOf(QStringLiteral("On Break"), QStringLiteral("Quit_Ostavel"), &chosen);
    more.insert(1, {Entry::Kind::command, QStringLiteral("Skip Break"), {}, {}, {}});
    item->setMenu(more);
    call(propertiesInterface, QStringLiteral("GetAll"), {menuInterface}, "/MenuBar");
    QStringList signalNames;
    for (const QDBusMessage& message : log.received)
        signalNames << message.member();
    EXPECT_EQ(signalNames.join(' ').toStdString(),
              "ItemsPropertiesUpdated ItemsPropertiesUpdated LayoutUpdated");
    ASSERT_EQ(log.received.size(), 3);
    const auto updated =
        qdbus_cast<DBusMenuItemPropertiesList>(log.received[0].arguments().value(0));
    ASSERT_EQ(updated.size(), 1);
    EXPECT_EQ(updated[0].id, before.children[0].id);
    EXPECT_EQ(updated[0].properties, QVariantMap({{"label", "Break Soon"}}));
    const DBusMenuLayoutItem after = layout();
    EXPECT_EQ(labels(after).join(' ').toStdString(),
              "On Break Skip Break - Disable >For 1 Hour Quit__Ostavel");
    EXPECT_EQ(after.children[0].id, before.children[0].id);
    EXPECT_EQ(after.children[4].id, quitId);
}

#include "StatusNotifierItemTests.moc"
