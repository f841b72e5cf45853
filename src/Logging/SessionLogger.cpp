#include "Logging/SessionLogger.h"

#include "Platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

SessionLogger::SessionLogger(const Clock& clock)
    : SessionLogger(clock, defaultLogFilePath())
{
}

SessionLogger::SessionLogger(const Clock& clock, const QString& logFilePath)
    : m_clock(clock)
    , m_logFilePath(logFilePath)
{
    QDir().mkpath(QFileInfo(m_logFilePath).absolutePath());
}

QString SessionLogger::defaultLogFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Ostavel/session.log");
}

void SessionLogger::log(const QString& message)
{
    const QString line = QLatin1Char('[') +
                         m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                         QStringLiteral("] ") + message + QLatin1Char('\n');
    // Append mode creates a missing file and never truncates what earlier runs wrote.
    QFile file(m_logFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        // The folder may have been removed while we run.
        QDir().mkpath(QFileInfo(m_logFilePath).absolutePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
    }
    file.write(line.toUtf8());
}
