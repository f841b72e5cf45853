#include "Platform/Linux/ScreenSaverLockSource.h"

#include "Platform/Linux/LinuxLog.h"

namespace {
const QString activeChanged = QStringLiteral("ActiveChanged");
}

ScreenSaverLockSource::ScreenSaverLockSource(QDBusConnection bus, QString interface,
                                             QObject* parent)
    : ScreenLockSource(parent)
    , m_bus(std::move(bus))
    , m_interface(std::move(interface))
{
    m_subscribed = m_bus.connect(QString(), QString(), m_interface, activeChanged, this,
                                 SLOT(onActiveChanged(bool)));
    if (!m_subscribed) {
        qCInfo(lcLinuxActivity).noquote()
            << QStringLiteral("Cannot follow %1.ActiveChanged").arg(m_interface);
    }
}

ScreenSaverLockSource::~ScreenSaverLockSource()
{
    if (m_subscribed) {
        m_bus.disconnect(QString(), QString(), m_interface, activeChanged, this,
                         SLOT(onActiveChanged(bool)));
    }
}

void ScreenSaverLockSource::onActiveChanged(bool active)
{
    emit lockStateReported(active);
}
