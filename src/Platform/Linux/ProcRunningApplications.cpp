#include "Platform/Linux/ProcRunningApplications.h"

#include "Platform/Linux/ProcNames.h"

#include "Platform/BoundedFileReader.h"

#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryParser.h"

#include <QFileInfo>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Reads a file below a process's folder, up to `cap` bytes. Links are refused: its root is a
// folder of the process's choosing, and a link in there would resolve against ours.
bool readFile(int dir, const char* path, QByteArray& buffer, qsizetype cap,
              BoundedFileReader::Overflow overflow = BoundedFileReader::Overflow::Truncate)
{
    std::optional<QByteArray> text =
        BoundedFileReader::readAt(dir, path, {cap, BoundedFileReader::Links::Refuse, overflow});
    if (!text)
        return false;
    buffer = std::move(*text);
    return true;
}

// Calls `f` with each `separator`-delimited part of `text`.
template <typename F> void forEachPart(QByteArrayView text, char separator, F f)
{
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(separator, start);
        if (end < 0)
            end = text.size();
        f(text.sliced(start, end - start));
        start = end + 1;
    }
}

// systemd escapes unit-name characters as \xNN, "-" among them.
QString unescapeUnitName(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bool ok = false;
            const int value = text.sliced(i + 2, 2).toByteArray().toInt(&ok, 16);
            if (ok) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return QString::fromUtf8(out);
}
} // namespace

ProcRunningApplications::ProcRunningApplications(
    std::shared_ptr<const DesktopEntryCatalogue> catalogue, QByteArray procRoot, uid_t uid)
    : m_catalogue(std::move(catalogue))
    , m_procRoot(std::move(procRoot))
    , m_uid(uid)
{
}

std::vector<RunningApplication> ProcRunningApplications::runningApplications()
{
    QMutexLocker lock(&m_mutex);
    std::vector<RunningApplication> apps;
    DIR* proc = ::opendir(m_procRoot.constData());
    if (!proc)
        return apps;
    const int procDir = ::dirfd(proc);
    const quint64 round = ++m_round;
    // Answers from an older catalogue may miss applications installed since.
    if (const quint64 generation = m_catalogue ? m_catalogue->generation() : 0;
        generation != m_catalogueGeneration) {
        m_known.clear();
        m_catalogueGeneration = generation;
    }
    // Only PIDs still in the table are carried over, so a gone process is forgotten at once.
    QHash<qint64, std::optional<RunningApplication>> known;
    known.reserve(m_known.size());
    while (const dirent* entry = ::readdir(proc)) {
        if (!isNumericProcName(entry->d_name))
            continue;
        const qint64 pid = std::strtoll(entry->d_name, nullptr, 10);
        std::optional<RunningApplication> app;
        const auto cached = m_known.constFind(pid);
        if (cached != m_known.constEnd() && (quint64(pid) + round) % revalidationRounds != 0) {
            app = *cached;
        } else {
            struct stat info;
            if (::fstatat(procDir, entry->d_name, &info, 0) == 0 && info.st_uid == m_uid)
                app = resolve(procDir, entry->d_name);
        }
        if (app)
            apps.push_back(*app);
        known.insert(pid, std::move(app));
    }
    ::closedir(proc);
    m_known = std::move(known);
    return apps;
}

RunningApplication ProcRunningApplications::named(const QString& id) const
{
    const std::optional<DesktopEntry> entry = m_catalogue ? m_catalogue->entry(id) : std::nullopt;
    return {id, entry ? entry->name : QString()};
}

std::optional<RunningApplication> ProcRunningApplications::resolve(int procDir,
                                                                   const char* pid) const
{
    const QByteArray base = QByteArray(pid) + '/';
    QByteArray buffer;

    std::optional<UnitApp> unit;
    if (readFile(procDir, (base + "cgroup").constData(), buffer, 64 * 1024))
        unit = appFromCgroup(buffer);
    if (unit && unit->flatpak)
        return named(unit->id);
    // The kernel writes the others; this one is the sandbox's, whose cut-off text means nothing.
    if (readFile(procDir, (base + "root/.flatpak-info").constData(), buffer, 64 * 1024,
                 BoundedFileReader::Overflow::Refuse)) {
        const QString id = flatpakIdFromInfo(buffer);
        if (!id.isEmpty())
            return named(id);
    }
    if (unit)
        return named(unit->id);

    if (readFile(procDir, (base + "environ").constData(), buffer, 1024 * 1024)) {
        const QString file = launchedDesktopFile(buffer, QByteArray(pid).toLongLong());
        if (!file.isEmpty()) {
            const std::optional<DesktopEntry> entry =
                m_catalogue ? m_catalogue->entryForFile(file) : std::nullopt;
            if (entry)
                return RunningApplication{entry->id, entry->name};
            QString id = QFileInfo(file).fileName();
            if (id.endsWith(u".desktop"))
                id.chop(8);
            if (!id.isEmpty())
                return named(id);
        }
    }

    char target[4096];
    const ssize_t length =
        ::readlinkat(procDir, (base + "exe").constData(), target, sizeof target - 1);
    if (length <= 0 || !m_catalogue)
        return std::nullopt;
    QByteArrayView path(target, length);
    // An executable replaced by an upgrade while it runs.
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    const qsizetype slash = path.lastIndexOf('/');
    const QString fileName = QString::fromUtf8(path.sliced(slash + 1));
    if (const std::optional<DesktopEntry> entry = m_catalogue->entryForExecutable(fileName))
        return RunningApplication{entry->id, entry->name};
    return std::nullopt;
}

std::optional<ProcRunningApplications::UnitApp>
ProcRunningApplications::appFromCgroup(QByteArrayView cgroup)
{
    QByteArrayView path;
    forEachPart(cgroup, '\n', [&path](QByteArrayView line) {
        if (line.startsWith("0::")) {
            if (path.isEmpty())
                path = line.sliced(3);
        } else if (const qsizetype at = line.indexOf(":name=systemd:"); at >= 0) {
            path = line.sliced(at + 14);
        }
    });
    const qsizetype slash = path.lastIndexOf('/');
    return appFromUnitName(path.sliced(slash + 1).trimmed());
}

std::optional<ProcRunningApplications::UnitApp>
ProcRunningApplications::appFromUnitName(QByteArrayView unit)
{
    if (!unit.startsWith("app-"))
        return std::nullopt;
    QByteArrayView core;
    if (unit.endsWith(".scope")) {
        core = unit.sliced(4, unit.size() - 4 - 6);
        const qsizetype dash = core.lastIndexOf('-');
        if (dash < 0)
            return std::nullopt;
        core = core.first(dash);
    } else if (unit.endsWith(".service")) {
        core = unit.sliced(4, unit.size() - 4 - 8);
        if (const qsizetype at = core.indexOf('@'); at >= 0)
            core = core.first(at);
    } else {
        return std::nullopt;
    }
    const qsizetype dash = core.lastIndexOf('-');
    const QByteArrayView launcher = dash < 0 ? QByteArrayView() : core.first(dash);
    const QString id = unescapeUnitName(core.sliced(dash + 1));
    if (id.isEmpty())
        return std::nullopt;
    return UnitApp{id, launcher == "flatpak"};
}

QString ProcRunningApplications::flatpakIdFromInfo(QByteArrayView info)
{
    const auto groups = DesktopEntryParser::parseGroups(info);
    if (!groups)
        return {};
    return DesktopEntryParser::unescape(
        groups->value(QStringLiteral("Application")).value(QStringLiteral("name")));
}

QString ProcRunningApplications::launchedDesktopFile(QByteArrayView environment, qint64 pid)
{
    static constexpr QByteArrayView fileKey = "GIO_LAUNCHED_DESKTOP_FILE=";
    static constexpr QByteArrayView pidKey = "GIO_LAUNCHED_DESKTOP_FILE_PID=";
    // Most processes were not launched through GIO; skip the split for them.
    if (!environment.contains(fileKey))
        return {};
    QByteArrayView file;
    bool pidMatches = false;
    forEachPart(environment, '\0', [&](QByteArrayView variable) {
        if (variable.startsWith(fileKey))
            file = variable.sliced(fileKey.size());
        else if (variable.startsWith(pidKey))
            pidMatches = variable.sliced(pidKey.size()).toLongLong() == pid;
    });
    return pidMatches ? QString::fromUtf8(file) : QString();
}
