#pragma once

#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <memory>

class DesktopEntryCatalogue;

// Keeps a desktop-entry catalogue up to date while Ostavel runs: when one of its application
// folders (or a folder below one) changes, the catalogue is rebuilt off the main thread once the
// changes have stopped for `quietPeriod` (an installation writes many files). A folder that does
// not exist yet is waited for through its nearest existing parent. Main thread only; one scan of
// the folders runs at a time, and it, too, runs off the main thread.
class DesktopEntryCatalogueWatcher final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultQuietPeriod{2000};

    explicit DesktopEntryCatalogueWatcher(
        std::shared_ptr<const DesktopEntryCatalogue> catalogue,
        std::chrono::milliseconds quietPeriod = defaultQuietPeriod, QObject* parent = nullptr);
    ~DesktopEntryCatalogueWatcher() override;

    QStringList watchedFolders() const;

signals:
    // A scan has finished and its folders are watched; after a change, the catalogue is rebuilt.
    void scanned();

private:
    void onFolderChanged(const QString& folder);
    void startScan();
    void onScanFinished();

    std::shared_ptr<const DesktopEntryCatalogue> m_catalogue;
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    QFutureWatcher<QStringList> m_scan;
    bool m_scannedOnce = false;
    bool m_rebuildWanted = false;
    bool m_changedWhileScanning = false;
};
