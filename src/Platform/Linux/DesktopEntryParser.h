#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// The syntax of XDG desktop-entry files: groups of `Key[locale]=value` lines, string escapes,
// `;`-separated lists, locale fallback and the quoting of the Exec key. Pure text handling; the
// file system is the catalogue's business.
namespace DesktopEntryParser {

// Keys of one group as written (with their "[locale]" suffix), values still escaped.
using Group = QHash<QString, QString>;

// The groups of a file by name. Nothing for text that is not a key file: a key line before the
// first group, a line that is neither comment, group nor `key=value`, a repeated group.
std::optional<QHash<QString, Group>> parseGroups(QByteArrayView text);

// Resolves \s \n \t \r \\ and \; ; any other backslash stays as written.
QString unescape(QStringView value);
// Splits at `;` not escaped as `\;` and unescapes each element; a trailing `;` ends the list.
QStringList splitList(QStringView value);

// The value for `key` best matching `locale` ("lang_COUNTRY.ENCODING@MODIFIER"): tried as
// lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang, then the unlocalized key.
std::optional<QString> localizedValue(const Group& group, const QString& key,
                                      const QString& locale);

// The arguments of an (already unescaped) Exec value: whitespace-separated, double quotes
// group, and inside quotes a backslash escapes " ` $ and \. Field codes (%f, %U, ...) are
// dropped and %% becomes %. Nothing when a quote is left open.
std::optional<QStringList> execArguments(const QString& exec);

// The locale that names and messages follow: LC_ALL, LC_MESSAGES, then LANG; empty for C/POSIX.
QString messagesLocale();

} // namespace DesktopEntryParser
