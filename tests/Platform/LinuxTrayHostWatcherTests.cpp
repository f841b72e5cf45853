#include "FakeDBusService.h"
#include "Platform/Linux/LinuxTrayHostWatcher.h"
#include "SessionTools.h"

#include <QDBusVariant>
#include <QTest>
#include <gtest/gtest.h>

// A forged host signal, from a program that is not the watcher, shows no icon; nor does a storm
// of them flood the watcher with questions. The watcher's own answer decides.
TEST(LinuxTrayHostWatcher, HostSignalsOnlyMakeItAskTheWatcher)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under with-session.sh";
    const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QString path = QStringLiteral("/StatusNotifierWatcher");
    FakeDBusService watcher(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                            QStringLiteral("Get"), QVariant::fromValue(QDBusVariant(false)));
    ASSERT_TRUE(watcher.isRegistered());
    FakeDBusService forger(QStringLiteral("org.example.Forger"), QStringLiteral("/x"),
                           QStringLiteral("org.example.X"), QStringLiteral("Y"), {});
    ASSERT_TRUE(forger.isRegistered());

    LinuxTrayHostWatcher hosts;
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.calls() == 1; }, 5000));
    for (int i = 0; i < 500; ++i)
        forger.emitSignal(path, service, QStringLiteral("StatusNotifierHostRegistered"), {});
    QTest::qWait(300);
    sessionBusRoundTrip();
    QCoreApplication::processEvents();
    EXPECT_FALSE(hosts.hasStatusNotifierHost());
    EXPECT_LE(watcher.calls(), 3) << "one question in flight and one after it";

    watcher.setReply(QVariant::fromValue(QDBusVariant(true)));
    watcher.emitSignal(path, service, QStringLiteral("StatusNotifierHostRegistered"), {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return hosts.hasStatusNotifierHost(); }, 5000));
    watcher.setReply(QVariant::fromValue(QDBusVariant(false)));
    forger.emitSignal(path, service, QStringLiteral("StatusNotifierHostUnregistered"), {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hosts.hasStatusNotifierHost(); }, 5000));
}
