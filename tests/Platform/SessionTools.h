#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

// Runs a desktop tool to completion (xdotool, gdbus); true when it exits with 0.
inline bool runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// One call through the bus daemon on the main session connection. The daemon handles a
// connection's messages in order, so match rules added before this are in force after it.
inline void sessionBusRoundTrip()
{
    QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.DBus"));
}

// A session with neither bus connected nor X display: what a missing desktop looks like.
inline QDBusConnection missingBus()
{
    return QDBusConnection(QStringLiteral("ostavel-no-such-bus"));
}

// Milliseconds a call takes: to check that a hanging service costs a timeout, not a stall.
template <typename F> qint64 millisecondsOf(F&& f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return timer.elapsed();
}
