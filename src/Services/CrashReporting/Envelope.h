#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// The ingest protocol's envelope: a JSON header line, then for each item a JSON item header line
// (with its type and the payload's length in bytes) and the payload, each ended by "\n".
struct Envelope {
    struct Item {
        QString type;
        QByteArray payload;
    };

    QJsonObject header;
    QList<Item> items;

    QByteArray serialize() const;
    // Convenience for items whose payload is a JSON object.
    void addJsonItem(const QString& type, const QJsonObject& payload);
};
