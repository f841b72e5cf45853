#include "Platform/Linux/DesktopEntryParser.h"

namespace DesktopEntryParser {

namespace {
bool isKeyCharacter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'-';
}

// "Name", "Name[de_DE@euro]"; anything else is not a key.
bool isValidKey(QStringView key)
{
    qsizetype end = 0;
    while (end < key.size() && isKeyCharacter(key[end]))
        ++end;
    if (end == 0)
        return false;
    if (end == key.size())
        return true;
    return key[end] == u'[' && key.endsWith(u']') && key.size() > end + 2;
}
} // namespace

std::optional<QHash<QString, Group>> parseGroups(QByteArrayView text)
{
    QHash<QString, Group> groups;
    Group* current = nullptr;
    const QString content = QString::fromUtf8(text);
    for (QStringView line : QStringView(content).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']') || trimmed.size() < 3)
                return std::nullopt;
            const QString name = trimmed.mid(1, trimmed.size() - 2).toString();
            if (groups.contains(name) || name.contains(u'[') || name.contains(u']'))
                return std::nullopt;
            current = &groups[name];
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            return std::nullopt;
        const QStringView key = line.left(equals).trimmed();
        if (!isValidKey(key))
            return std::nullopt;
        // The first occurrence of a key wins.
        if (!current->contains(key.toString()))
            current->insert(key.toString(), line.mid(equals + 1).trimmed().toString());
    }
    return groups;
}

QString unescape(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        case ';':
            out += u';';
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

QStringList splitList(QStringView value)
{
    QStringList items;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i;
            continue;
        }
        if (value[i] == u';') {
            items << unescape(value.mid(start, i - start));
            start = i + 1;
        }
    }
    if (start < value.size())
        items << unescape(value.mid(start));
    return items;
}

std::optional<QString> localizedValue(const Group& group, const QString& key, const QString& locale)
{
    QString lang = locale;
    QString modifier;
    QString country;
    if (const qsizetype at = lang.indexOf(u'@'); at >= 0) {
        modifier = lang.mid(at + 1);
        lang.truncate(at);
    }
    if (const qsizetype dot = lang.indexOf(u'.'); dot >= 0)
        lang.truncate(dot);
    if (const qsizetype underscore = lang.indexOf(u'_'); underscore >= 0) {
        country = lang.mid(underscore + 1);
        lang.truncate(underscore);
    }

    QStringList candidates;
    if (!lang.isEmpty()) {
        if (!country.isEmpty() && !modifier.isEmpty())
            candidates << lang + u'_' + country + u'@' + modifier;
        if (!country.isEmpty())
            candidates << lang + u'_' + country;
        if (!modifier.isEmpty())
            candidates << lang + u'@' + modifier;
        candidates << lang;
    }
    for (const QString& candidate : candidates) {
        const auto found = group.constFind(key + u'[' + candidate + u']');
        if (found != group.constEnd())
            return unescape(*found);
    }
    const auto plain = group.constFind(key);
    if (plain == group.constEnd())
        return std::nullopt;
    return unescape(*plain);
}

std::optional<QStringList> execArguments(const QString& exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    // A field code is dropped only when it stands alone as an argument.
    auto finish = [&] {
        if (!inArgument)
            return;
        static const QString fieldCodes = QStringLiteral("fFuUdDnNickvm");
        const bool isFieldCode =
            current.size() == 2 && current[0] == u'%' && fieldCodes.contains(current[1]);
        if (!isFieldCode)
            arguments << current.replace(QStringLiteral("%%"), QStringLiteral("%"));
        current.clear();
        inArgument = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else if (c.isSpace()) {
            finish();
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    finish();
    return arguments;
}

QString messagesLocale()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (value.isEmpty())
            continue;
        if (value == u"C" || value == u"POSIX" || value.startsWith(u"C."))
            return {};
        return value;
    }
    return {};
}

} // namespace DesktopEntryParser
