#include "Platform/Linux/LinuxTrayHostWatcher.h"

#include "Platform/Linux/XEmbedTrayWatcher.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int callTimeoutMs = 5000;
} // namespace

LinuxTrayHostWatcher::LinuxTrayHostWatcher(QDBusConnection bus, QObject* parent)
    : TrayHostWatcher(parent)
    , m_bus(std::move(bus))
{
    m_xembed = std::make_unique<XEmbedTrayWatcher>([this] { emit changed(); });
    if (!m_bus.isConnected())
        return;

    m_serviceWatcher = new QDBusServiceWatcher(watcherService, m_bus,
                                               QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                // A new watcher knows nothing of the old one's hosts until it says so.
                ++m_question;
                m_askAgain = false;
                if (newOwner.isEmpty()) {
                    answered(false);
                    return;
                }
                m_hostKnown = false;
                askWhetherHostRegistered();
                setStatusNotifierHost(false);
            });
    // Matched by path and interface alone: naming the service would make Qt look its owner up
    // synchronously.
    m_bus.connect(QString(), watcherPath, watcherService,
                  QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(onHostRegistered()));
    m_bus.connect(QString(), watcherPath, watcherService,
                  QStringLiteral("StatusNotifierHostUnregistered"), this,
                  SLOT(onHostUnregistered()));
    m_hostKnown = false;
    askWhetherHostRegistered();
}

LinuxTrayHostWatcher::~LinuxTrayHostWatcher()
{
    if (!m_bus.isConnected())
        return;
    m_bus.disconnect(QString(), watcherPath, watcherService,
                     QStringLiteral("StatusNotifierHostRegistered"), this,
                     SLOT(onHostRegistered()));
    m_bus.disconnect(QString(), watcherPath, watcherService,
                     QStringLiteral("StatusNotifierHostUnregistered"), this,
                     SLOT(onHostUnregistered()));
}

bool LinuxTrayHostWatcher::hasXEmbedTray() const
{
    // Not while the bus has yet to say whether a StatusNotifierItem host exists: Qt sends a
    // QSystemTrayIcon made then to such a host itself, as a second item of ours.
    return m_hostKnown && m_xembed->hasTray();
}

void LinuxTrayHostWatcher::askWhetherHostRegistered()
{
    // One question at a time: however many signals arrive meanwhile, one more question follows.
    if (m_asking == m_question) {
        m_askAgain = true;
        return;
    }
    m_askAgain = false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    call.setAutoStartService(false);
    const int question = m_question;
    m_asking = question;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, question](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (question != m_question)
                    return;
                m_asking = -1;
                // No watcher at all answers with an error: no host.
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                answered(!reply.isError() && reply.value().variant().toBool());
                if (m_askAgain)
                    askWhetherHostRegistered();
            });
}

void LinuxTrayHostWatcher::answered(bool hostRegistered)
{
    const bool heldBackXEmbed = !m_hostKnown && m_xembed->hasTray();
    m_hostKnown = true;
    if (hostRegistered != m_statusNotifierHost)
        setStatusNotifierHost(hostRegistered);
    else if (heldBackXEmbed)
        emit changed();
}

// Any program on the bus can send these signals; only the watcher's own answer counts.
void LinuxTrayHostWatcher::onHostRegistered()
{
    askWhetherHostRegistered();
}

void LinuxTrayHostWatcher::onHostUnregistered()
{
    askWhetherHostRegistered();
}

void LinuxTrayHostWatcher::setStatusNotifierHost(bool present)
{
    if (present == m_statusNotifierHost)
        return;
    m_statusNotifierHost = present;
    emit changed();
}
