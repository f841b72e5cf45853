#include "Services/Update/AppcastParser.h"

#include "Services/Update/VersionComparator.h"

#include <QXmlStreamReader>

namespace {
// Counted from the element whose text is read or skipped; an item's description with markup in
// it stays far below this.
constexpr int maxElementDepth = 256;

QUrl parseUrl(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

class Reader {
public:
    explicit Reader(const QByteArray& document)
        : m_xml(document)
    {
    }

    std::optional<Appcast> read(QString* error)
    {
        Appcast appcast;
        bool sawRss = false;
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::DTD)
                return fail(error, QStringLiteral("it declares a DTD"));
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (!sawRss) {
                if (m_xml.name() != QLatin1String("rss") || !m_xml.namespaceUri().isEmpty())
                    return fail(error, QStringLiteral("it is not an RSS feed"));
                sawRss = true;
                continue;
            }
            if (isPlain(QLatin1String("channel")))
                continue;
            if (isPlain(QLatin1String("item")))
                readItem(appcast);
            else if (isPlain(QLatin1String("title")) && appcast.title.isEmpty())
                appcast.title = readText();
            else
                skipElement();
        }
        if (m_xml.hasError())
            return fail(
                error,
                QStringLiteral("%1 (line %2)").arg(m_xml.errorString()).arg(m_xml.lineNumber()));
        if (!sawRss)
            return fail(error, QStringLiteral("it is empty"));
        return appcast;
    }

private:
    std::optional<Appcast> fail(QString* error, const QString& reason)
    {
        if (error)
            *error = reason;
        return std::nullopt;
    }

    bool isPlain(QLatin1String name) const
    {
        return m_xml.name() == name && m_xml.namespaceUri().isEmpty();
    }
    bool isAppcast(QLatin1String name) const
    {
        return m_xml.name() == name && m_xml.namespaceUri() == AppcastParser::appcastNamespace;
    }

    // The text of the current element and its children. The reader's own readElementText()
    // recurses once per nested element, so a feed of a few hundred kB nested deep enough would
    // overflow the stack: walk the tokens instead, and refuse a feed nested deeper than any
    // real one.
    QString readText()
    {
        QString text;
        walkElement(&text);
        return text.trimmed();
    }

    void skipElement() { walkElement(nullptr); }

    void walkElement(QString* text)
    {
        int depth = 1;
        while (depth > 0) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::Invalid:
                return;
            case QXmlStreamReader::StartElement:
                if (++depth > maxElementDepth) {
                    m_xml.raiseError(QStringLiteral("elements are nested more than %1 deep")
                                         .arg(maxElementDepth));
                    return;
                }
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference:
                if (text)
                    text->append(m_xml.text());
                break;
            default:
                break;
            }
        }
    }

    void readItem(Appcast& appcast)
    {
        AppcastItem item;
        QString enclosureVersion;
        QString enclosureShortVersion;
        while (m_xml.readNextStartElement()) {
            if (isPlain(QLatin1String("title"))) {
                item.title = readText();
            } else if (isPlain(QLatin1String("link"))) {
                item.link = parseUrl(readText());
            } else if (isPlain(QLatin1String("description"))) {
                item.description = readText();
            } else if (isAppcast(QLatin1String("version"))) {
                item.version = readText();
            } else if (isAppcast(QLatin1String("shortVersionString"))) {
                item.shortVersion = readText();
            } else if (isAppcast(QLatin1String("releaseNotesLink"))) {
                item.releaseNotesLink = parseUrl(readText());
            } else if (isAppcast(QLatin1String("channel"))) {
                item.channel = readText();
            } else if (isAppcast(QLatin1String("minimumSystemVersion"))) {
                item.minimumSystemVersion = readText();
            } else if (isPlain(QLatin1String("enclosure"))) {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                item.enclosureUrl = parseUrl(attributes.value(QLatin1String("url")).toString());
                bool ok = false;
                const qint64 length = attributes.value(QLatin1String("length")).toLongLong(&ok);
                item.enclosureLength = ok && length >= 0 ? length : -1;
                const QString ns = AppcastParser::appcastNamespace;
                enclosureVersion = attributes.value(ns, QLatin1String("version")).toString();
                enclosureShortVersion =
                    attributes.value(ns, QLatin1String("shortVersionString")).toString();
                skipElement();
            } else {
                skipElement();
            }
        }
        if (item.version.isEmpty())
            item.version = enclosureVersion.trimmed();
        if (item.shortVersion.isEmpty())
            item.shortVersion = enclosureShortVersion.trimmed();
        if (!m_xml.hasError() && !item.version.isEmpty())
            appcast.items.append(item);
    }

    QXmlStreamReader m_xml;
};
} // namespace

std::optional<Appcast> AppcastParser::parse(const QByteArray& document, QString* error)
{
    return Reader(document).read(error);
}

std::optional<AppcastItem> AppcastParser::newestUpdate(const Appcast& appcast,
                                                       const QString& currentVersion,
                                                       const QString& channel)
{
    const AppcastItem* best = nullptr;
    for (const AppcastItem& item : appcast.items) {
        if (!item.channel.isEmpty() && item.channel != channel)
            continue;
        if (VersionComparator::compare(item.version, currentVersion) <= 0)
            continue;
        if (!best || VersionComparator::compare(item.version, best->version) > 0)
            best = &item;
    }
    if (!best)
        return std::nullopt;
    return *best;
}
