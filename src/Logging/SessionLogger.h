#pragma once

#include <QString>

class Clock;

// Appends one line per displayed-state change to $XDG_DATA_HOME/Ostavel/session.log:
// "[yyyy-MM-dd HH:mm:ss] message". Main thread only; a failed write loses that line silently.
class SessionLogger {
public:
    explicit SessionLogger(const Clock& clock);
    // For tests and tools that want the log elsewhere.
    SessionLogger(const Clock& clock, const QString& logFilePath);

    QString logFilePath() const { return m_logFilePath; }
    void log(const QString& message);

    static QString defaultLogFilePath();

private:
    const Clock& m_clock;
    QString m_logFilePath;
};
