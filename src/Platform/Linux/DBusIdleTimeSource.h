#pragma once

#include "Platform/IdleTimeSource.h"

#include <QDBusConnection>
#include <QDBusMessage>

// Idle time from a desktop service's D-Bus method that answers in milliseconds. Each read is one
// synchronous call on the caller's thread, bounded by a short timeout, so a service that hangs
// costs at most that timeout and never starts a service by activation.
class DBusIdleTimeSource : public IdleTimeSource {
public:
    static constexpr int defaultTimeoutMs = 200;

    struct Method {
        QString service;
        QString path;
        QString interface;
        QString member;
    };

    DBusIdleTimeSource(QDBusConnection bus, Method method, QString name, int timeoutMs);

    std::optional<double> idleSeconds() override;
    QString name() const override { return m_name; }
    // The D-Bus error name of the last failed read, for the log.
    QString lastError() const { return m_lastError; }

    // Seconds from a reply carrying one unsigned count of milliseconds; nullopt for anything else.
    static std::optional<double> secondsFromReply(const QDBusMessage& reply);

private:
    QDBusConnection m_bus;
    QDBusMessage m_call;
    QString m_name;
    int m_timeoutMs;
    QString m_lastError;
};
