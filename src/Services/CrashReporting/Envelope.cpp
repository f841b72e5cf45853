#include "Services/CrashReporting/Envelope.h"

#include <QJsonDocument>

namespace {
QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
} // namespace

QByteArray Envelope::serialize() const
{
    QByteArray bytes = compact(header);
    bytes += '\n';
    for (const Item& item : items) {
        // QJsonObject orders keys, so the item header reads {"length":…,"type":…}.
        bytes += compact(QJsonObject{{QStringLiteral("type"), item.type},
                                     {QStringLiteral("length"), qint64(item.payload.size())}});
        bytes += '\n';
        bytes += item.payload;
        bytes += '\n';
    }
    return bytes;
}

void Envelope::addJsonItem(const QString& type, const QJsonObject& payload)
{
    items.append({type, compact(payload)});
}
