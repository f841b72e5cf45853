#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Envelopes waiting to be delivered, one file each in a folder, oldest first. A file's name holds
// its creation time and how many times the server has refused it, so both survive a restart:
// "<creation ms, 16 digits>-<random hex>.<attempts>.envelope". Capped in count and total size;
// adding past a cap drops the oldest. Main thread only; a failed write loses that envelope.
class EnvelopeQueue {
public:
    struct Limits {
        int maxCount = 50;
        qint64 maxTotalBytes = 4 * 1024 * 1024;
        qint64 maxEnvelopeBytes = 1024 * 1024;
    };

    EnvelopeQueue(QString directory, qint64 nowMs);
    EnvelopeQueue(QString directory, qint64 nowMs, Limits limits);

    QString directory() const { return m_directory; }
    // False when the envelope alone is over the size cap or cannot be written.
    bool enqueue(const QByteArray& envelope, qint64 nowMs);
    // File names, oldest first.
    QStringList entries() const;
    bool isEmpty() const { return entries().isEmpty(); }
    QByteArray read(const QString& entry) const;
    void remove(const QString& entry);
    static int attempts(const QString& entry);
    // Counts one more refusal; answers the entry's new name (or "" if it vanished).
    QString recordAttempt(const QString& entry);
    void clear();

private:
    void enforceLimits(qint64 incomingBytes);

    QString m_directory;
    Limits m_limits;
    qint64 m_lastMs;
};
