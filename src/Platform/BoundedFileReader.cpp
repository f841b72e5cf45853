#include "Platform/BoundedFileReader.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int statFlags(BoundedFileReader::Links links)
{
    return links == BoundedFileReader::Links::Refuse ? AT_SYMLINK_NOFOLLOW : 0;
}
} // namespace

std::optional<QByteArray> BoundedFileReader::read(const QString& path, const Options& options)
{
    return readAt(AT_FDCWD, QFile::encodeName(path).constData(), options);
}

std::optional<QByteArray> BoundedFileReader::readAt(int dirFd, const char* path,
                                                    const Options& options)
{
    // Checked before opening too: opening some devices has effects of its own (a camera's light).
    struct stat info;
    if (::fstatat(dirFd, path, &info, statFlags(options.links)) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (options.links == Links::Refuse)
        flags |= O_NOFOLLOW;
    const int fd = ::openat(dirFd, path, flags);
    if (fd < 0)
        return std::nullopt;
    // The name may have been swapped for something else between the check and the open.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // One byte past the cap tells an overlong file from one that fills it exactly.
    const qsizetype limit = options.cap + (options.overflow == Overflow::Refuse ? 1 : 0);
    QByteArray buffer;
    buffer.resize(qMin<qsizetype>(limit, qMax<qsizetype>(4096, qsizetype(info.st_size) + 1)));
    qsizetype size = 0;
    bool failed = false;
    while (size < limit) {
        if (size == buffer.size())
            buffer.resize(qMin(limit, size * 2));
        const ssize_t n = ::read(fd, buffer.data() + size, size_t(buffer.size() - size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed = true;
        if (n <= 0)
            break;
        size += n;
    }
    ::close(fd);
    if (failed || size > options.cap)
        return std::nullopt;
    buffer.truncate(size);
    return buffer;
}
