#include "Services/CrashReporting/Dsn.h"

std::optional<Dsn> Dsn::parse(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return std::nullopt;
    if (url.userName().isEmpty() || url.host().isEmpty())
        return std::nullopt;

    QString path = url.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;
    const QString projectId = path.mid(slash + 1);
    if (projectId.isEmpty())
        return std::nullopt;

    Dsn dsn;
    dsn.text = trimmed;
    dsn.publicKey = url.userName();
    dsn.secretKey = url.password();
    dsn.scheme = scheme;
    dsn.host = url.host();
    dsn.port = url.port();
    dsn.pathPrefix = path.left(slash);
    dsn.projectId = projectId;
    return dsn;
}

QUrl Dsn::envelopeUrl() const
{
    QUrl url;
    url.setScheme(scheme);
    url.setHost(host);
    url.setPort(port);
    url.setPath(pathPrefix + QStringLiteral("/api/") + projectId + QStringLiteral("/envelope/"),
                QUrl::TolerantMode);
    return url;
}

QByteArray Dsn::authHeader(const QString& clientName) const
{
    QByteArray header = "Sentry sentry_version=7, sentry_client=" + clientName.toUtf8() +
                        ", sentry_key=" + publicKey.toUtf8();
    if (!secretKey.isEmpty())
        header += ", sentry_secret=" + secretKey.toUtf8();
    return header;
}
