#include "Platform/Linux/ProcCameraProbe.h"

#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
bool isNumeric(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    }
    return true;
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
    if (!anyVideoDeviceExists())
        return false;
    DIR* proc = ::opendir(m_procRoot.constData());
    if (!proc)
        return false;
    const int procDir = ::dirfd(proc);
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        if (!isNumeric(entry->d_name))
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
        if (qstrncmp(entry->d_name, "video", 5) == 0) {
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
