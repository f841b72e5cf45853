#include "Platform/Linux/DesktopEntryCatalogueWatcher.h"

#include "Platform/Linux/DesktopEntryCatalogue.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

namespace {
bool isWithin(const QString& folder, const QString& dir)
{
    return folder == dir || folder.startsWith(dir + u'/');
}

// Each application folder with the folders below it; for one that is missing, the nearest
// existing folder above it, where it will appear.
QStringList foldersToWatch(const QStringList& applicationDirs)
{
    QStringList folders;
    for (const QString& dir : applicationDirs) {
        const QString clean = QDir::cleanPath(dir);
        if (QFileInfo(clean).isDir()) {
            folders << clean;
            QDirIterator below(clean, QDir::Dirs | QDir::NoDotAndDotDot,
                               QDirIterator::Subdirectories);
            while (below.hasNext())
                folders << below.next();
            continue;
        }
        QString parent = clean;
        do {
            parent = QFileInfo(parent).path();
        } while (!QFileInfo(parent).isDir() && parent != QLatin1String("/") &&
                 parent != QLatin1String("."));
        if (parent != QLatin1String(".") && QFileInfo(parent).isDir())
            folders << parent;
    }
    folders.removeDuplicates();
    return folders;
}
} // namespace

DesktopEntryCatalogueWatcher::DesktopEntryCatalogueWatcher(
    std::shared_ptr<const DesktopEntryCatalogue> catalogue, std::chrono::milliseconds quietPeriod,
    QObject* parent)
    : QObject(parent)
    , m_catalogue(std::move(catalogue))
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietPeriod);
    connect(&m_quiet, &QTimer::timeout, this, &DesktopEntryCatalogueWatcher::startScan);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &DesktopEntryCatalogueWatcher::onFolderChanged);
    connect(&m_scan, &QFutureWatcherBase::finished, this,
            &DesktopEntryCatalogueWatcher::onScanFinished);
    startScan();
}

DesktopEntryCatalogueWatcher::~DesktopEntryCatalogueWatcher() = default;

QStringList DesktopEntryCatalogueWatcher::watchedFolders() const
{
    return m_watcher.directories();
}

void DesktopEntryCatalogueWatcher::onFolderChanged(const QString& folder)
{
    for (const QString& dir : m_catalogue->applicationDirs()) {
        if (isWithin(folder, QDir::cleanPath(dir)))
            m_rebuildWanted = true;
    }
    // Otherwise a parent changed: the scan sees whether the folder it waits for appeared.
    m_quiet.start();
}

void DesktopEntryCatalogueWatcher::startScan()
{
    if (m_scan.isRunning()) {
        m_changedWhileScanning = true;
        return;
    }
    const bool first = !m_scannedOnce;
    const bool rebuild = std::exchange(m_rebuildWanted, false);
    const QStringList directories = m_watcher.directories();
    const QSet<QString> watched(directories.cbegin(), directories.cend());
    m_scan.setFuture(
        QtConcurrent::run([catalogue = m_catalogue, first, rebuild, watched, directories] {
            // An exception left in the future would be rethrown into the event loop by result();
            // a failed scan keeps the folders watched as they are.
            try {
                const QStringList folders = foldersToWatch(catalogue->applicationDirs());
                // A folder that appeared may have been filled before it could be watched.
                bool appeared = false;
                for (const QString& dir : catalogue->applicationDirs())
                    appeared |= folders.contains(QDir::cleanPath(dir)) &&
                                !watched.contains(QDir::cleanPath(dir));
                if (rebuild || (appeared && !first))
                    catalogue->rebuild();
                return folders;
            } catch (...) {
                return directories;
            }
        }));
}

void DesktopEntryCatalogueWatcher::onScanFinished()
{
    m_scannedOnce = true;
    const QStringList folders = m_scan.future().result();
    const QStringList directories = m_watcher.directories();
    QStringList gone;
    for (const QString& folder : directories) {
        if (!folders.contains(folder))
            gone << folder;
    }
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
    QStringList added;
    for (const QString& folder : folders) {
        if (!directories.contains(folder))
            added << folder;
    }
    if (!added.isEmpty())
        m_watcher.addPaths(added);
    emit scanned();
    if (std::exchange(m_changedWhileScanning, false))
        m_quiet.start();
}
