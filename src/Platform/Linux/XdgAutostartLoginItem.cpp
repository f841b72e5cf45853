#include "Platform/Linux/XdgAutostartLoginItem.h"

#include "Platform/BoundedFileReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
const QString entryFileName = QStringLiteral("ostavel.desktop");

// The user's copy of the entry, which may be a link (dotfile managers) but not a FIFO or device.
std::optional<QByteArray> readEntry(const QString& path)
{
    return BoundedFileReader::read(path, {1024 * 1024, BoundedFileReader::Links::Follow});
}

// Characters that make the desktop-entry Exec parser need a quoted argument.
bool needsQuoting(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (argument.isEmpty())
        return true;
    for (QChar c : argument) {
        if (reserved.contains(c))
            return true;
    }
    return false;
}

// The general escapes of a string value, applied after the Exec quoting rules.
QString escapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}
} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executablePath, QString autostartDirectory)
    : m_executablePath(std::move(executablePath))
    , m_directory(std::move(autostartDirectory))
{
    if (m_executablePath.isEmpty())
        m_executablePath = QCoreApplication::applicationFilePath();
    if (m_directory.isEmpty()) {
        m_directory = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/autostart");
    }
}

QString XdgAutostartLoginItem::entryPath() const
{
    return m_directory + QLatin1Char('/') + entryFileName;
}

QString XdgAutostartLoginItem::execArgument(const QString& argument)
{
    QString quoted = argument;
    if (needsQuoting(argument)) {
        quoted.clear();
        for (QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // A literal percent sign would otherwise be read as a field code.
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return escapeValue(quoted);
}

QString XdgAutostartLoginItem::entryText(const QString& executablePath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Ostavel\n"
                          "Comment=Reminds you to take regular breaks\n"
                          "Exec=%1\n"
                          "Icon=ostavel\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executablePath));
}

bool XdgAutostartLoginItem::isHiddenEntry(const QString& text)
{
    bool inMainGroup = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).trimmed() != QLatin1String("Hidden"))
            continue;
        return line.mid(eq + 1).trimmed() == QLatin1String("true");
    }
    return false;
}

bool XdgAutostartLoginItem::registerItem()
{
    const QByteArray text = entryText(m_executablePath).toUtf8();
    if (readEntry(entryPath()) == text)
        return true;

    if (!QDir().mkpath(m_directory))
        return false;
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text);
    return file.commit();
}

bool XdgAutostartLoginItem::registerAtStartUp()
{
    // Autostart managers turn an entry off by writing Hidden=true into the user's copy; writing
    // ours over it at every start would undo that choice.
    if (const std::optional<QByteArray> existing = readEntry(entryPath());
        existing && isHiddenEntry(QString::fromUtf8(*existing)))
        return true;
    return registerItem();
}

bool XdgAutostartLoginItem::unregisterItem()
{
    QFile file(entryPath());
    return !file.exists() || file.remove();
}

bool XdgAutostartLoginItem::isRegistered() const
{
    const std::optional<QByteArray> existing = readEntry(entryPath());
    return existing && !isHiddenEntry(QString::fromUtf8(*existing));
}
