#include "Services/CrashReporting/EnvelopeQueue.h"

#include "Platform/BoundedFileReader.h"
#include "Services/CrashReporting/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

namespace {
const QString suffix = QStringLiteral(".envelope");

const QRegularExpression& entryPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{16})-([0-9a-f]{8})\\.(\\d{1,4})\\.envelope$"));
    return pattern;
}
} // namespace

EnvelopeQueue::EnvelopeQueue(QString directory, qint64 nowMs)
    : EnvelopeQueue(std::move(directory), nowMs, Limits{})
{
}

EnvelopeQueue::EnvelopeQueue(QString directory, qint64 nowMs, Limits limits)
    : m_directory(std::move(directory))
    , m_limits(limits)
    , m_lastMs(nowMs)
{
}

QStringList EnvelopeQueue::entries() const
{
    QStringList names =
        QDir(m_directory).entryList({QStringLiteral("*") + suffix}, QDir::Files, QDir::Name);
    names.removeIf([](const QString& name) { return !entryPattern().match(name).hasMatch(); });
    return names;
}

bool EnvelopeQueue::enqueue(const QByteArray& envelope, qint64 nowMs)
{
    if (envelope.size() > m_limits.maxEnvelopeBytes)
        return false;
    if (!PrivateFiles::makeFolder(m_directory))
        return false;
    enforceLimits(envelope.size());
    // Names sort by time; a clock that stands still or steps back must not reorder the queue.
    m_lastMs = std::max(nowMs, m_lastMs + 1);
    const QString name = QStringLiteral("%1-%2.0")
                             .arg(m_lastMs, 16, 10, QLatin1Char('0'))
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')) +
                         suffix;
    QSaveFile file(m_directory + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.write(envelope);
    return file.commit();
}

void EnvelopeQueue::enforceLimits(qint64 incomingBytes)
{
    QStringList names = entries();
    qint64 total = incomingBytes;
    for (const QString& name : names)
        total += QFileInfo(m_directory + QLatin1Char('/') + name).size();
    while (!names.isEmpty() &&
           (names.size() + 1 > m_limits.maxCount || total > m_limits.maxTotalBytes)) {
        const QString oldest = names.takeFirst();
        total -= QFileInfo(m_directory + QLatin1Char('/') + oldest).size();
        remove(oldest);
    }
}

QByteArray EnvelopeQueue::read(const QString& entry) const
{
    // Ours are never links, FIFOs or larger than an envelope may be.
    return BoundedFileReader::read(m_directory + QLatin1Char('/') + entry,
                                   {m_limits.maxEnvelopeBytes})
        .value_or(QByteArray());
}

void EnvelopeQueue::remove(const QString& entry)
{
    QFile::remove(m_directory + QLatin1Char('/') + entry);
}

int EnvelopeQueue::attempts(const QString& entry)
{
    const QRegularExpressionMatch match = entryPattern().match(entry);
    return match.hasMatch() ? match.captured(3).toInt() : 0;
}

QString EnvelopeQueue::recordAttempt(const QString& entry)
{
    const QRegularExpressionMatch match = entryPattern().match(entry);
    if (!match.hasMatch())
        return {};
    const int next = std::min(match.captured(3).toInt() + 1, 9999);
    const QString renamed =
        QStringLiteral("%1-%2.%3").arg(match.captured(1), match.captured(2)).arg(next) + suffix;
    if (!QFile::rename(m_directory + QLatin1Char('/') + entry,
                       m_directory + QLatin1Char('/') + renamed))
        return {};
    return renamed;
}

void EnvelopeQueue::clear()
{
    for (const QString& name : entries())
        remove(name);
}
