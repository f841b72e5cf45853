#pragma once

#include "Platform/RunningApplications.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QMutex>
#include <QString>
#include <memory>
#include <optional>
#include <sys/types.h>

class DesktopEntryCatalogue;

// Resolves this user's processes, read from /proc, to desktop-entry ids, trying in order:
//   1. Flatpak: the sandbox's /.flatpak-info, or an app-flatpak-<id>-<n>.scope cgroup;
//   2. a systemd application unit: app[-<launcher>]-<id>-<random>.scope or
//      app[-<launcher>]-<id>[@<random>].service;
//   3. GIO_LAUNCHED_DESKTOP_FILE in the environment, when GIO_LAUNCHED_DESKTOP_FILE_PID is the
//      process itself (its children inherit the variable but not the PID);
//   4. the executable's file name against the entries' Exec program and TryExec.
// Names are the catalogue entries' localized names (empty for ids the catalogue does not know).
//
// Reading a process's files costs tens of microseconds, too much for hundreds of processes every
// refresh, so each process's answer is kept while its PID stays in the table and worked out
// again every `revalidationRounds` calls (spread over the calls by PID): a process that executes
// another program, or is moved into an application unit after it was first seen, is named
// within that many calls, and every answer is worked out again after the catalogue is rebuilt.
// Background threads only; concurrent calls are serialized.
class ProcRunningApplications final : public RunningApplications {
public:
    // `procRoot` is for tests that lay out a fake process table.
    explicit ProcRunningApplications(std::shared_ptr<const DesktopEntryCatalogue> catalogue,
                                     QByteArray procRoot = QByteArrayLiteral("/proc"),
                                     uid_t uid = ::geteuid());

    static constexpr int revalidationRounds = 16;

    std::vector<RunningApplication> runningApplications() override;

    struct UnitApp {
        QString id;
        bool flatpak = false;
    };
    // The application named by the leaf unit of a /proc/PID/cgroup text (the unified "0::" line,
    // or the "name=systemd" line of a legacy hierarchy).
    static std::optional<UnitApp> appFromCgroup(QByteArrayView cgroup);
    // "app-gnome-firefox\x2desr-4242.scope" -> firefox-esr.
    static std::optional<UnitApp> appFromUnitName(QByteArrayView unit);
    // The [Application] name of a Flatpak instance's info file.
    static QString flatpakIdFromInfo(QByteArrayView info);
    // GIO_LAUNCHED_DESKTOP_FILE of a NUL-separated environment, if its PID variable is `pid`.
    static QString launchedDesktopFile(QByteArrayView environment, qint64 pid);

private:
    std::optional<RunningApplication> resolve(int procDir, const char* pid) const;
    RunningApplication named(const QString& id) const;

    std::shared_ptr<const DesktopEntryCatalogue> m_catalogue;
    QByteArray m_procRoot;
    uid_t m_uid;
    QMutex m_mutex;
    // By PID; nothing for processes of other users or that name no application.
    QHash<qint64, std::optional<RunningApplication>> m_known;
    quint64 m_catalogueGeneration = 0;
    quint64 m_round = 0;
};
