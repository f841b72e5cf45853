#include "Platform/Linux/DesktopEntry.h"

#include "Platform/Linux/DesktopEntryParser.h"

namespace {
bool isTrue(const DesktopEntryParser::Group& group, const QString& key)
{
    return group.value(key).trimmed() == u"true";
}

QString firstProgram(const QStringList& arguments)
{
    qsizetype i = 0;
    if (i < arguments.size() && arguments[i] == u"env") {
        ++i;
        while (i < arguments.size() &&
               (arguments[i].startsWith(u'-') || arguments[i].contains(u'=')))
            ++i;
    }
    return i < arguments.size() ? arguments[i] : QString();
}
} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(QByteArrayView text, const QString& id,
                                                const QString& locale)
{
    const auto groups = DesktopEntryParser::parseGroups(text);
    if (!groups)
        return std::nullopt;
    const auto found = groups->constFind(QStringLiteral("Desktop Entry"));
    if (found == groups->constEnd())
        return std::nullopt;
    const DesktopEntryParser::Group& group = *found;

    DesktopEntry entry;
    entry.id = id;
    if (isTrue(group, QStringLiteral("Hidden"))) {
        entry.hidden = true;
        return entry;
    }
    if (DesktopEntryParser::unescape(group.value(QStringLiteral("Type"))) != u"Application")
        return std::nullopt;
    const std::optional<QString> name =
        DesktopEntryParser::localizedValue(group, QStringLiteral("Name"), locale);
    if (!name || name->isEmpty())
        return std::nullopt;
    entry.name = *name;
    entry.icon = DesktopEntryParser::localizedValue(group, QStringLiteral("Icon"), locale)
                     .value_or(QString());
    entry.exec = DesktopEntryParser::unescape(group.value(QStringLiteral("Exec")));
    if (!entry.exec.isEmpty()) {
        const std::optional<QStringList> arguments = DesktopEntryParser::execArguments(entry.exec);
        if (!arguments)
            return std::nullopt;
        entry.program = firstProgram(*arguments);
    }
    entry.tryExec = DesktopEntryParser::unescape(group.value(QStringLiteral("TryExec")));
    entry.flatpakId = DesktopEntryParser::unescape(group.value(QStringLiteral("X-Flatpak")));
    entry.noDisplay = isTrue(group, QStringLiteral("NoDisplay"));
    return entry;
}
