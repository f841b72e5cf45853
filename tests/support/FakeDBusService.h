#pragma once

#include <QAtomicInt>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QThread>
#include <QUuid>

// A D-Bus service of the test's own on the session bus: its name on a connection of its own, one
// object answering one method from a worker thread, so that the main thread may call it
// synchronously. While hanging it takes calls and never replies. An invalid reply answers with no
// value.
class FakeDBusService {
public:
    FakeDBusService(const QString& serviceName, const QString& path, const QString& interface,
                    const QString& member, const QVariant& reply)
        : m_connectionName(QStringLiteral("fake-") + QUuid::createUuid().toString(QUuid::Id128))
        , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
        , m_serviceName(serviceName)
        , m_path(path)
    {
        m_object = new Object(m_connection, interface, member, reply);
        m_object->moveToThread(&m_thread);
        m_thread.start();
        m_registered = m_connection.isConnected() &&
                       m_connection.registerVirtualObject(path, m_object) &&
                       m_connection.registerService(serviceName);
    }

    ~FakeDBusService()
    {
        m_connection.unregisterService(m_serviceName);
        m_connection.unregisterObject(m_path);
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_thread.quit();
        m_thread.wait();
        delete m_object;
    }

    FakeDBusService(const FakeDBusService&) = delete;
    FakeDBusService& operator=(const FakeDBusService&) = delete;

    bool isRegistered() const { return m_registered; }
    void setHanging(bool hanging) { m_object->setHanging(hanging); }
    void setReply(const QVariant& reply) { m_object->setReply(reply); }
    int calls() const { return m_object->calls.loadRelaxed(); }
    QDBusMessage lastCall() const { return m_object->lastCall(); }

    // A signal sent from the service's own connection, so it carries the service as sender.
    bool emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        return m_connection.send(signal);
    }

private:
    class Object final : public QDBusVirtualObject {
    public:
        Object(QDBusConnection connection, QString interface, QString member, QVariant reply)
            : m_connection(std::move(connection))
            , m_interface(std::move(interface))
            , m_member(std::move(member))
            , m_reply(std::move(reply))
        {
        }

        QString introspect(const QString&) const override { return {}; }

        bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
        {
            if (message.interface() != m_interface || message.member() != m_member)
                return false;
            calls.ref();
            QMutexLocker lock(&m_mutex);
            m_lastCall = message;
            if (!m_hanging)
                m_connection.send(m_reply.isValid() ? message.createReply(m_reply)
                                                    : message.createReply());
            return true;
        }

        void setHanging(bool hanging)
        {
            QMutexLocker lock(&m_mutex);
            m_hanging = hanging;
        }
        void setReply(const QVariant& reply)
        {
            QMutexLocker lock(&m_mutex);
            m_reply = reply;
        }
        QDBusMessage lastCall() const
        {
            QMutexLocker lock(&m_mutex);
            return m_lastCall;
        }

        QAtomicInt calls;

    private:
        QDBusConnection m_connection;
        QString m_interface;
        QString m_member;
        mutable QMutex m_mutex;
        QVariant m_reply;
        QDBusMessage m_lastCall;
        bool m_hanging = false;
    };

    QString m_connectionName;
    QDBusConnection m_connection;
    QString m_serviceName;
    QString m_path;
    QThread m_thread;
    Object* m_object = nullptr;
    bool m_registered = false;
};
