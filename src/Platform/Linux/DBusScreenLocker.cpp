#include "Platform/Linux/DBusScreenLocker.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QProcess>

Q_LOGGING_CATEGORY(lcScreenLocker, "com.ostavel.app.ScreenLocker", QtWarningMsg)

namespace {
struct LockCall {
    const char* service;
    const char* path;
};

constexpr LockCall lockCalls[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
};
constexpr int lockTimeoutMs = 2000;

void tryLock(size_t index)
{
    if (index >= std::size(lockCalls)) {
        if (!QProcess::startDetached(QStringLiteral("loginctl"), {QStringLiteral("lock-session")}))
            qCInfo(lcScreenLocker) << "No way to lock the screen answered";
        return;
    }
    const LockCall& call = lockCalls[index];
    const QString service = QString::fromLatin1(call.service);
    QDBusMessage message = QDBusMessage::createMethodCall(service, QString::fromLatin1(call.path),
                                                          service, QStringLiteral("Lock"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        tryLock(std::size(lockCalls));
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, lockTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [index](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (finished->isError())
                             tryLock(index + 1);
                     });
}
} // namespace

void DBusScreenLocker::lock()
{
    tryLock(0);
}
