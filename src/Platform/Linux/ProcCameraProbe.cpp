#include "Platform/Linux/ProcCameraProbe.h"

#include "Platform/Linux/ProcNames.h"

#include <cctype>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>

namespace {
bool isVideoName(const char* name)
{
    return std::strncmp(name, "video", 5) == 0;
}

} // namespace

ProcCameraProbe::ProcCameraProbe(QByteArray procRoot, QByteArray devRoot, uid_t uid)
    : m_procRoot(std::move(procRoot))
    , m_devRoot(std::move(devRoot))
    , m_uid(uid)
{
    while (m_devRoot.size() > 1 && m_devRoot.endsWith('/'))
        m_devRoot.chop(1);
}

ProcCameraProbe::~ProcCameraProbe()
{
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool ProcCameraProbe::isVideoDevice(QByteArrayView linkTarget, QByteArrayView devRoot)
{
    if (!linkTarget.startsWith(devRoot))
        return false;
    const QByteArrayView rest = linkTarget.sliced(devRoot.size());
    // "/video0", but not "/video0 (deleted)" of an unplugged device nor "/v4l/..." paths.
    return rest.startsWith("/video") && rest.indexOf('/', 1) < 0 && !rest.endsWith(" (deleted)");
}

bool ProcCameraProbe::isCameraInUse()
{
    QMutexLocker lock(&m_mutex);
    if (!m_scanned)
        startWatching();
    // Drained before the scan: an open during the scan shows up next time and scans again.
    const bool changed = devicesChanged();
    if (m_scanned && !changed && m_inotify >= 0)
        return m_inUse;
    m_scanned = true;
    m_inUse = scan();
    return m_inUse;
}

void ProcCameraProbe::startWatching()
{
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return;
    m_devWatch =
        ::inotify_add_watch(m_inotify, m_devRoot.constData(),
                            IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ONLYDIR);
    DIR* dev = m_devWatch < 0 ? nullptr : ::opendir(m_devRoot.constData());
    if (!dev) {
        ::close(m_inotify);
        m_inotify = -1;
        return;
    }
    while (const dirent* entry = ::readdir(dev)) {
        if (isVideoName(entry->d_name))
            watchDevice(entry->d_name);
    }
    ::closedir(dev);
}

void ProcCameraProbe::watchDevice(const char* name)
{
    const QByteArray path = m_devRoot + '/' + name;
    // A device we may not read is one no process of ours has open (short of fd passing); a
    // failed watch leaves it to the scans that other events cause.
    ::inotify_add_watch(m_inotify, path.constData(), IN_OPEN | IN_CLOSE);
}

bool ProcCameraProbe::devicesChanged()
{
    if (m_inotify < 0)
        return true;
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changed = true;
            } else if (event->wd == m_devWatch) {
                if (event->len == 0 || !isVideoName(event->name))
                    continue;
                changed = true;
                if (event->mask & (IN_CREATE | IN_MOVED_TO))
                    watchDevice(event->name);
            } else {
                changed = true;
            }
        }
    }
    return changed;
}

bool ProcCameraProbe::scan() const
{
    if (!anyVideoDeviceExists())
        return false;
    DIR* proc = ::opendir(m_procRoot.constData());
    if (!proc)
        return false;
    const int procDir = ::dirfd(proc);
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        if (!isNumericProcName(entry->d_name))
            continue;
        struct stat info;
        if (::fstatat(procDir, entry->d_name, &info, 0) != 0 || info.st_uid != m_uid)
            continue;
        if (processHoldsVideoDevice(procDir, entry->d_name)) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

bool ProcCameraProbe::anyVideoDeviceExists() const
{
    DIR* dev = ::opendir(m_devRoot.constData());
    if (!dev)
        return false;
    bool exists = false;
    while (const dirent* entry = ::readdir(dev)) {
        if (isVideoName(entry->d_name)) {
            exists = true;
            break;
        }
    }
    ::closedir(dev);
    return exists;
}

bool ProcCameraProbe::processHoldsVideoDevice(int procDir, const char* pid) const
{
    const QByteArray fdPath = QByteArray(pid) + "/fd";
    const int fdDir = ::openat(procDir, fdPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir < 0)
        return false;
    DIR* fds = ::fdopendir(fdDir);
    if (!fds) {
        ::close(fdDir);
        return false;
    }
    bool holds = false;
    char target[4096];
    while (const dirent* entry = ::readdir(fds)) {
        if (entry->d_name[0] == '.')
            continue;
        const ssize_t length = ::readlinkat(fdDir, entry->d_name, target, sizeof target);
        if (length > 0 && isVideoDevice(QByteArrayView(target, length), m_devRoot)) {
            holds = true;
            break;
        }
    }
    ::closedir(fds);
    return holds;
}
