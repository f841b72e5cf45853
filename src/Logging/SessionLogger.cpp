#include "Logging/SessionLogger.h"

#include "Platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
Q_LOGGING_CATEGORY(lcSessionLogger, "com.ostavel.app.SessionLogger", QtInfoMsg)

constexpr mode_t privateMode = S_IRUSR | S_IWUSR;

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

SessionLogger::SessionLogger(const Clock& clock)
    : SessionLogger(clock, defaultLogFilePath())
{
}

SessionLogger::SessionLogger(const Clock& clock, const QString& logFilePath)
    : m_clock(clock)
    , m_logFilePath(logFilePath)
{
    QDir().mkpath(QFileInfo(m_logFilePath).absolutePath());
    // Earlier versions wrote it readable by everyone.
    struct stat target;
    const QByteArray path = QFile::encodeName(m_logFilePath);
    const int fd = ::stat(path.constData(), &target) == 0 && S_ISREG(target.st_mode)
                       ? ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)
                       : -1;
    if (fd >= 0) {
        struct stat info;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            (info.st_mode & 07777) != privateMode)
            ::fchmod(fd, privateMode);
        ::close(fd);
    }
}

QString SessionLogger::defaultLogFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Ostavel/session.log");
}

int SessionLogger::openForAppend(QString& reason) const
{
    // Append mode never truncates what earlier runs wrote. A link to a file elsewhere is the
    // user's choice and is followed, but a device is never opened: its open alone may act.
    // Non-blocking: a FIFO without a reader fails at once instead of stalling the main thread,
    // one with a reader is refused below.
    const QByteArray path = QFile::encodeName(m_logFilePath);
    struct stat target;
    if (::stat(path.constData(), &target) == 0 && !S_ISREG(target.st_mode)) {
        reason = QStringLiteral("it is not a regular file");
        return -1;
    }
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(path.constData(), flags, privateMode);
    if (fd < 0 && errno == ENOENT) {
        // The folder may have been removed while we run.
        QDir().mkpath(QFileInfo(m_logFilePath).absolutePath());
        fd = ::open(path.constData(), flags, privateMode);
    }
    if (fd < 0) {
        reason = errno == ENXIO ? QStringLiteral("it is not a regular file") : lastError();
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        reason = QStringLiteral("it is not a regular file");
        return -1;
    }
    return fd;
}

void SessionLogger::log(const QString& message)
{
    const QByteArray line =
        (QLatin1Char('[') + m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
         QStringLiteral("] ") + message + QLatin1Char('\n'))
            .toUtf8();
    QString reason;
    const int fd = openForAppend(reason);
    if (fd < 0) {
        reportFailure(reason);
        return;
    }
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(fd, line.constData() + written, size_t(line.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            reason = n < 0 ? lastError() : QStringLiteral("nothing was written");
            break;
        }
        written += n;
    }
    ::close(fd);
    if (written < line.size()) {
        reportFailure(reason);
        return;
    }
    if (m_failing) {
        m_failing = false;
        qCInfo(lcSessionLogger, "The session log is written again");
    }
}

void SessionLogger::reportFailure(const QString& reason)
{
    if (m_failing)
        return;
    m_failing = true;
    qCWarning(lcSessionLogger, "Cannot write the session log %s (%s); lines are lost until it can",
              qPrintable(m_logFilePath), qPrintable(reason));
}
