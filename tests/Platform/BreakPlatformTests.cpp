#include "FakeDBusService.h"
#include "Platform/Linux/DBusScreenLocker.h"
#include "Platform/Linux/X11CompositingState.h"
#include "SessionTools.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// After gtest: Xlib defines None and Bool as macros.
#include <X11/Xlib.h>

// The lock chain on the private session bus: the first screen saver that answers locks, and
// `loginctl lock-session` (a stand-in on PATH) runs only when neither does.
TEST(DBusScreenLocker, LocksThroughTheFirstScreenSaverThatAnswersThenLoginctl)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under with-session.sh";
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("loginctl-called"));
    {
        QFile script(bin.filePath(QStringLiteral("loginctl")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\n").arg(marker).toUtf8());
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);

    struct Row {
        bool freedesktop;
        bool gnome;
        int freedesktopCalls;
        int gnomeCalls;
        bool loginctl;
    };
    const Row rows[] = {
        {true, true, 1, 0, false},
        {false, true, 0, 1, false},
        {false, false, 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.freedesktop << row.gnome);
        QFile::remove(marker);
        auto service = [](bool present, const char* name, const char* objectPath) {
            const QString n = QString::fromLatin1(name);
            return present
                       ? std::make_unique<FakeDBusService>(n, QString::fromLatin1(objectPath), n,
                                                           QStringLiteral("Lock"), QVariant(true))
                       : nullptr;
        };
        auto freedesktop =
            service(row.freedesktop, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
        auto gnome = service(row.gnome, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver");
        sessionBusRoundTrip();

        DBusScreenLocker locker;
        locker.lock();
        if (row.loginctl) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
            QFile file(marker);
            ASSERT_TRUE(QTest::qWaitFor([&] { return file.size() > 0; }, 2000));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll().trimmed(), "lock-session");
        } else {
            const int expected = row.freedesktopCalls + row.gnomeCalls;
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    return (freedesktop ? freedesktop->calls() : 0) +
                               (gnome ? gnome->calls() : 0) ==
                           expected;
                },
                5000));
            QTest::qWait(100);
            EXPECT_EQ(freedesktop ? freedesktop->calls() : 0, row.freedesktopCalls);
            EXPECT_EQ(gnome ? gnome->calls() : 0, row.gnomeCalls);
            EXPECT_FALSE(QFile::exists(marker));
        }
    }
    qputenv("PATH", path);
}

// A compositor is whoever owns _NET_WM_CM_S<screen>; the state follows it taking and dropping
// the selection without being asked again.
TEST(X11CompositingState, FollowsTheCompositorSelectionOwner)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "run under with-session.sh";
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    const Window owner =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);

    X11CompositingState state;
    EXPECT_FALSE(state.isActive());
    XSetSelectionOwner(display, selection, owner, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(QTest::qWaitFor([&] { return state.isActive(); }, 5000));
    XDestroyWindow(display, owner);
    XSync(display, False);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !state.isActive(); }, 5000));

    // Already owned at construction.
    const Window second =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, selection, second, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(X11CompositingState().isActive());
    XCloseDisplay(display);
}
