#include "Platform/Linux/ScreenSaverLockSource.h"

#include "Platform/Linux/LinuxLog.h"

namespace {
const QString activeChanged = QStringLiteral("ActiveChanged");
const char* const activeChangedSlot = SLOT(onActiveChanged(bool));
} // namespace

QStringList ScreenSaverLockSource::objectPaths(const QString& service)
{
    if (service == freedesktopInterface)
        return {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")};
    if (service == gnomeInterface)
        return {QStringLiteral("/org/gnome/ScreenSaver")};
    return {};
}

ScreenSaverLockSource::ScreenSaverLockSource(QDBusConnection bus, QString service, QObject* parent)
    : ScreenLockSource(parent)
    , m_bus(std::move(bus))
    , m_service(std::move(service))
{
    // With the service named, the connection delivers only what its current owner sends, and
    // the bus daemon drops the rest before it reaches us.
    for (const QString& path : objectPaths(m_service)) {
        if (m_bus.connect(m_service, path, m_service, activeChanged, this, activeChangedSlot))
            m_paths << path;
    }
    if (m_paths.isEmpty()) {
        qCInfo(lcLinuxActivity).noquote()
            << QStringLiteral("Cannot follow %1.ActiveChanged").arg(m_service);
    }
}

ScreenSaverLockSource::~ScreenSaverLockSource()
{
    for (const QString& path : std::as_const(m_paths))
        m_bus.disconnect(m_service, path, m_service, activeChanged, this, activeChangedSlot);
}

void ScreenSaverLockSource::onActiveChanged(bool active)
{
    emit lockStateReported(active);
}
