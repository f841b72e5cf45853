#pragma once

#include <QString>

class Clock;

// Appends one line per displayed-state change to $XDG_DATA_HOME/Ostavel/session.log:
// "[yyyy-MM-dd HH:mm:ss] message". The log is private (0600, also fixed on an existing file).
// It is opened without blocking and written only while it is a regular file, so that a FIFO or
// a link put in its place never stalls the caller. A failed write loses that line; the first
// failure of an outage is logged once. Main thread only.
class SessionLogger {
public:
    explicit SessionLogger(const Clock& clock);
    // For tests and tools that want the log elsewhere.
    SessionLogger(const Clock& clock, const QString& logFilePath);

    QString logFilePath() const { return m_logFilePath; }
    void log(const QString& message);

    static QString defaultLogFilePath();

private:
    // An open descriptor of the log ready for appending, or -1 (with `reason` set).
    int openForAppend(QString& reason) const;
    void reportFailure(const QString& reason);

    const Clock& m_clock;
    QString m_logFilePath;
    bool m_failing = false;
};
