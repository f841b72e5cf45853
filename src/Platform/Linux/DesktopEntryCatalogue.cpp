#include "Platform/Linux/DesktopEntryCatalogue.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace {
// Larger files are not desktop entries anyone wrote by hand or tool.
constexpr qint64 maxFileSize = 1 << 20;

// Programs that start many different applications: matching a process by them would name an
// arbitrary one.
bool isLauncher(const QString& fileName)
{
    static const QSet<QString> launchers{
        QStringLiteral("sh"),         QStringLiteral("bash"),     QStringLiteral("dash"),
        QStringLiteral("zsh"),        QStringLiteral("env"),      QStringLiteral("flatpak"),
        QStringLiteral("snap"),       QStringLiteral("sudo"),     QStringLiteral("pkexec"),
        QStringLiteral("gtk-launch"), QStringLiteral("xdg-open"), QStringLiteral("gio"),
        QStringLiteral("python"),     QStringLiteral("perl"),     QStringLiteral("ruby"),
        QStringLiteral("java"),       QStringLiteral("node"),     QStringLiteral("gjs"),
        QStringLiteral("wine"),       QStringLiteral("mono"),
    };
    if (launchers.contains(fileName))
        return true;
    // python3, python3.11, perl5.36, ...
    return fileName.startsWith(u"python") || fileName.startsWith(u"perl");
}

QString desktopFileId(const QString& dir, const QString& filePath)
{
    QString relative = QDir(dir).relativeFilePath(filePath);
    relative.chop(int(qstrlen(".desktop")));
    return relative.replace(u'/', u'-');
}
} // namespace

DesktopEntryCatalogue::DesktopEntryCatalogue(QStringList applicationDirs, QString locale)
    : m_dirs(std::move(applicationDirs))
    , m_locale(std::move(locale))
{
}

QStringList DesktopEntryCatalogue::standardApplicationDirs()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

const QList<DesktopEntry>& DesktopEntryCatalogue::entries() const
{
    std::call_once(m_built, [this] { build(); });
    return m_entries;
}

const DesktopEntry* DesktopEntryCatalogue::entry(const QString& id) const
{
    const QList<DesktopEntry>& all = entries();
    const auto found = m_byId.constFind(id);
    return found == m_byId.constEnd() ? nullptr : &all[*found];
}

const DesktopEntry* DesktopEntryCatalogue::entryForFile(const QString& filePath) const
{
    const QList<DesktopEntry>& all = entries();
    const auto found = m_byFile.constFind(QDir::cleanPath(filePath));
    return found == m_byFile.constEnd() ? nullptr : &all[*found];
}

const DesktopEntry* DesktopEntryCatalogue::entryForExecutable(const QString& fileName) const
{
    const QList<DesktopEntry>& all = entries();
    const auto found = m_byExecutable.constFind(fileName);
    return found == m_byExecutable.constEnd() ? nullptr : &all[*found];
}

void DesktopEntryCatalogue::build() const
{
    QSet<QString> taken;
    for (const QString& dir : m_dirs) {
        QStringList files;
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString& path : files) {
            const QString id = desktopFileId(dir, path);
            if (taken.contains(id))
                continue;
            QFile file(path);
            if (file.size() > maxFileSize || !file.open(QIODevice::ReadOnly))
                continue;
            std::optional<DesktopEntry> entry = DesktopEntry::parse(file.readAll(), id, m_locale);
            // A broken file does not hide a good one of the same id further down.
            if (!entry)
                continue;
            taken.insert(id);
            if (entry->hidden)
                continue;
            entry->filePath = QDir::cleanPath(path);
            m_entries << *entry;
        }
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });

    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const DesktopEntry& entry = m_entries[i];
        m_byId.insert(entry.id, i);
        m_byFile.insert(entry.filePath, i);
        // Flatpak exports run `flatpak run`; the resolver knows Flatpaks by their own id.
        if (!entry.flatpakId.isEmpty())
            continue;
        for (const QString& program : {entry.program, entry.tryExec}) {
            const QString fileName = QFileInfo(program).fileName();
            if (!fileName.isEmpty() && !isLauncher(fileName) && !m_byExecutable.contains(fileName))
                m_byExecutable.insert(fileName, i);
        }
    }
}
