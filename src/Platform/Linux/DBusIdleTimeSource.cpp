#include "Platform/Linux/DBusIdleTimeSource.h"

#include <QMetaType>
#include <algorithm>

DBusIdleTimeSource::DBusIdleTimeSource(QDBusConnection bus, Method method, QString name,
                                       int timeoutMs)
    : m_bus(std::move(bus))
    , m_call(QDBusMessage::createMethodCall(method.service, method.path, method.interface,
                                            method.member))
    , m_name(std::move(name))
    , m_timeoutMs(std::clamp(timeoutMs, 1, defaultTimeoutMs))
{
    // An activatable but absent service must not be started (and waited for) by a read.
    m_call.setAutoStartService(false);
}

std::optional<double> DBusIdleTimeSource::idleSeconds()
{
    if (!m_bus.isConnected()) {
        m_lastError = QStringLiteral("no bus");
        return std::nullopt;
    }
    const QDBusMessage reply = m_bus.call(m_call, QDBus::Block, m_timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        m_lastError = reply.errorName();
        return std::nullopt;
    }
    const std::optional<double> seconds = secondsFromReply(reply);
    m_lastError = seconds ? QString() : QStringLiteral("unexpected reply");
    return seconds;
}

std::optional<double> DBusIdleTimeSource::secondsFromReply(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant value = reply.arguments().constFirst();
    switch (value.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return double(value.toULongLong()) / 1000.0;
    default:
        return std::nullopt;
    }
}
