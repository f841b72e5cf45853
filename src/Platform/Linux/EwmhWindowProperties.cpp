#include "Platform/Linux/EwmhWindowProperties.h"

#include <QList>

std::optional<qint64> EwmhWindowProperties::pid() const
{
    if (pidProperty.empty() || pidProperty.front() == 0)
        return clientPid;
    return qint64(pidProperty.front());
}

QString EwmhWindowProperties::ownerName() const
{
    const QList<QByteArray> parts = wmClass.split('\0');
    if (parts.size() > 1 && !parts[1].isEmpty())
        return QString::fromUtf8(parts[1]);
    if (!parts.isEmpty() && !parts[0].isEmpty())
        return QString::fromUtf8(parts[0]);
    if (!processName.isEmpty())
        return processName;
    return QStringLiteral("Unknown");
}

std::optional<WindowInfo> EwmhWindowProperties::toWindowInfo() const
{
    if (!viewable || hiddenState || desktopOrDock || !geometry)
        return std::nullopt;
    QRect bounds = *geometry;
    if (frameExtents.size() == 4) {
        // Absurd extents from a confused client are ignored rather than trusted.
        const qint64 left = frameExtents[0], right = frameExtents[1];
        const qint64 top = frameExtents[2], bottom = frameExtents[3];
        if (left + right < bounds.width() && top + bottom < bounds.height())
            bounds.adjust(int(left), int(top), -int(right), -int(bottom));
    }
    if (bounds.width() <= 0 || bounds.height() <= 0)
        return std::nullopt;
    return WindowInfo{pid(), ownerName(), bounds};
}
