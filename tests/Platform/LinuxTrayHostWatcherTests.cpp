#include "FakeDBusService.h"
#include "Platform/Linux/LinuxTrayHostWatcher.h"
#include "SessionTools.h"

#include <QDBusVariant>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

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
    EXPECT_LT(watcher.calls(), 50) << "one question at a time, not one per signal";

    watcher.setReply(QVariant::fromValue(QDBusVariant(true)));
    watcher.emitSignal(path, service, QStringLiteral("StatusNotifierHostRegistered"), {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return hosts.hasStatusNotifierHost(); }, 5000));
    watcher.setReply(QVariant::fromValue(QDBusVariant(false)));
    forger.emitSignal(path, service, QStringLiteral("StatusNotifierHostUnregistered"), {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hosts.hasStatusNotifierHost(); }, 5000));
}

// An XEmbed tray counts only once the bus has said whether a StatusNotifierItem host exists: Qt
// sends a QSystemTrayIcon made before that to such a host, as a second item of ours.
TEST(LinuxTrayHosts, OfferAnXEmbedTrayOnlyOnceTheWatcherHasAnswered)
{
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    ASSERT_EQ(xcb_connection_has_error(x), 0) << "run under with-session.sh";
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t tray = xcb_generate_id(x);
    xcb_create_window(x, XCB_COPY_FROM_PARENT, tray, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
    auto* atom = xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 0, uint16_t(selection.size()), selection.constData()), nullptr);
    ASSERT_NE(atom, nullptr);
    xcb_set_selection_owner(x, tray, atom->atom, XCB_CURRENT_TIME);
    std::free(atom);
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));

    const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
    auto watcher = std::make_unique<FakeDBusService>(
        watcherName, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        QVariant::fromValue(QDBusVariant(true)));
    ASSERT_TRUE(watcher->isRegistered());
    watcher->setHanging(true);
    LinuxTrayHostWatcher hosts;
    QTest::qWait(500);
    EXPECT_EQ(watcher->calls(), 1);
    EXPECT_FALSE(hosts.hasXEmbedTray());
    // The watcher leaves without answering: no StatusNotifierItem host, so the tray counts.
    watcher.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return hosts.hasXEmbedTray(); }, 5000));
    EXPECT_FALSE(hosts.hasStatusNotifierHost());
    xcb_disconnect(x);
}
