#include "Platform/Linux/DBusStatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QUuid>
#include <gtest/gtest.h>

namespace {
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
        item = std::make_unique<DBusStatusNotifierItem>(itemBus);
    }
    void TearDown() override
    {
        item.reset();
        QDBusConnection::disconnectFromBus(connectionName);
    }

    QDBusMessage call(const QString& interface, const QString& member, const QVariantList& args)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            itemBus.baseService(), QStringLiteral("/StatusNotifierItem"), interface, member);
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
} // namespace

// Every property and method that GNOME's AppIndicator extension, Plasma and Xfce's panel use
// answers without an error, and the accessible descriptions follow the icon's title.
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
                                    "Menu",
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
