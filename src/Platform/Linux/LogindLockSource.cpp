#include "Platform/Linux/LogindLockSource.h"

#include "Platform/Linux/LinuxLog.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {
const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString propertiesChanged = QStringLiteral("PropertiesChanged");
const char* const propertiesChangedSlot =
    SLOT(onPropertiesChanged(QString, QVariantMap, QStringList));
} // namespace

LogindLockSource::LogindLockSource(QDBusConnection bus, QObject* parent)
    : ScreenLockSource(parent)
    , m_bus(std::move(bus))
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        logindService, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"));
    call << QStringLiteral("auto");
    call.setAutoStartService(false);
    // The watcher is our child: if we go first, its answer is never delivered.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    qCInfo(lcLinuxActivity).noquote()
                        << QStringLiteral("No logind session (%1); its lock state is not followed")
                               .arg(reply.error().name());
                    return;
                }
                followSession(reply.value().path());
            });
}

LogindLockSource::~LogindLockSource()
{
    if (isFollowingSession()) {
        m_bus.disconnect(logindService, m_sessionPath, propertiesInterface, propertiesChanged, this,
                         propertiesChangedSlot);
    }
}

void LogindLockSource::followSession(const QString& sessionPath)
{
    if (!m_bus.connect(logindService, sessionPath, propertiesInterface, propertiesChanged, this,
                       propertiesChangedSlot)) {
        qCInfo(lcLinuxActivity).noquote()
            << QStringLiteral("Cannot follow logind session %1").arg(sessionPath);
        return;
    }
    m_sessionPath = sessionPath;
}

void LogindLockSource::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                           const QStringList& /*invalidated*/)
{
    if (const std::optional<bool> locked = lockedHintChange(interface, changed))
        emit lockStateReported(*locked);
}

std::optional<bool> LogindLockSource::lockedHintChange(const QString& interface,
                                                       const QVariantMap& changed)
{
    if (interface != QLatin1String("org.freedesktop.login1.Session"))
        return std::nullopt;
    const auto it = changed.constFind(QStringLiteral("LockedHint"));
    if (it == changed.constEnd())
        return std::nullopt;
    QVariant value = *it;
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.metaType().id() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}
