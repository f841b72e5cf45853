#include "Platform/Linux/DesktopEntryCatalogue.h"

#include "Platform/BoundedFileReader.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace {
// Larger files are not desktop entries anyone wrote by hand or tool.
constexpr qsizetype maxFileSize = 1 << 20;

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

struct DesktopEntryCatalogue::Index {
    QList<DesktopEntry> entries;
    QHash<QString, qsizetype> byId;
    QHash<QString, qsizetype> byFile;
    QHash<QString, qsizetype> byExecutable;

    std::optional<DesktopEntry> find(const QHash<QString, qsizetype>& by, const QString& key) const
    {
        const auto found = by.constFind(key);
        if (found == by.constEnd())
            return std::nullopt;
        return entries[*found];
    }
};

DesktopEntryCatalogue::DesktopEntryCatalogue(QStringList applicationDirs, QString locale)
    : m_dirs(std::move(applicationDirs))
    , m_locale(std::move(locale))
{
}

QStringList DesktopEntryCatalogue::standardApplicationDirs()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

QList<DesktopEntry> DesktopEntryCatalogue::entries() const
{
    return index()->entries;
}

std::optional<DesktopEntry> DesktopEntryCatalogue::entry(const QString& id) const
{
    const std::shared_ptr<const Index> all = index();
    return all->find(all->byId, id);
}

std::optional<DesktopEntry> DesktopEntryCatalogue::entryForFile(const QString& filePath) const
{
    const std::shared_ptr<const Index> all = index();
    return all->find(all->byFile, QDir::cleanPath(filePath));
}

std::optional<DesktopEntry> DesktopEntryCatalogue::entryForExecutable(const QString& fileName) const
{
    const std::shared_ptr<const Index> all = index();
    return all->find(all->byExecutable, fileName);
}

quint64 DesktopEntryCatalogue::generation() const
{
    QMutexLocker lock(&m_mutex);
    return m_generation;
}

std::shared_ptr<const DesktopEntryCatalogue::Index> DesktopEntryCatalogue::index() const
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_index)
            return m_index;
    }
    QMutexLocker building(&m_buildMutex);
    {
        // Another thread may have built it while this one waited.
        QMutexLocker lock(&m_mutex);
        if (m_index)
            return m_index;
    }
    std::shared_ptr<const Index> built = build();
    QMutexLocker lock(&m_mutex);
    m_index = built;
    return built;
}

void DesktopEntryCatalogue::rebuild() const
{
    QMutexLocker building(&m_buildMutex);
    {
        QMutexLocker lock(&m_mutex);
        if (!m_index)
            return;
    }
    std::shared_ptr<const Index> built = build();
    QMutexLocker lock(&m_mutex);
    m_index = std::move(built);
    ++m_generation;
}

std::shared_ptr<const DesktopEntryCatalogue::Index> DesktopEntryCatalogue::build() const
{
    auto index = std::make_shared<Index>();
    QList<DesktopEntry>& entries = index->entries;
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
            // Entries may be links (Flatpak exports them so), but only to regular files.
            const std::optional<QByteArray> text =
                BoundedFileReader::read(path, {maxFileSize, BoundedFileReader::Links::Follow});
            if (!text)
                continue;
            std::optional<DesktopEntry> entry = DesktopEntry::parse(*text, id, m_locale);
            // A broken file does not hide a good one of the same id further down.
            if (!entry)
                continue;
            taken.insert(id);
            if (entry->hidden)
                continue;
            entry->filePath = QDir::cleanPath(path);
            entries << *entry;
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });

    for (qsizetype i = 0; i < entries.size(); ++i) {
        const DesktopEntry& entry = entries[i];
        index->byId.insert(entry.id, i);
        index->byFile.insert(entry.filePath, i);
        // Flatpak exports run `flatpak run`; the resolver knows Flatpaks by their own id.
        if (!entry.flatpakId.isEmpty())
            continue;
        for (const QString& program : {entry.program, entry.tryExec}) {
            const QString fileName = QFileInfo(program).fileName();
            if (!fileName.isEmpty() && !isLauncher(fileName) &&
                !index->byExecutable.contains(fileName))
                index->byExecutable.insert(fileName, i);
        }
    }
    return index;
}
