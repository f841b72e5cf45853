#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// A crash-reporting project address: "<scheme>://<public key>[:<secret>]@<host>[:<port>]
// [/<path prefix>]/<project id>". The ingest endpoint keeps the scheme, host, port and prefix.
struct Dsn {
    QString text;
    QString publicKey;
    QString secretKey;
    QString scheme;
    QString host;
    int port = -1;
    QString pathPrefix; // "" or "/prefix", without a trailing slash
    QString projectId;

    // Null for anything that is not such an address (empty text included).
    static std::optional<Dsn> parse(const QString& text);

    QUrl envelopeUrl() const;
    // The value of the X-Sentry-Auth header.
    QByteArray authHeader(const QString& clientName) const;
};
