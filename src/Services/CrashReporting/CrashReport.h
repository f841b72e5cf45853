#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

// A crash report file as CrashHandler writes it, read back at the next start and turned into a
// fatal event for the ingest protocol. Pure: no I/O.
struct CrashReport {
    struct Image {
        QString path;
        quint64 start = 0;
        quint64 end = 0;
        QString buildId; // GNU build ID in lowercase hex; empty when unknown
    };

    int signal = 0;
    QString reason;    // "terminate" for std::terminate, else empty
    QString exception; // the uncaught exception's type, when known
    std::optional<quint64> address;
    qint64 time = 0; // unix seconds
    QString release;
    QString environment;
    QMap<QString, QString> tags;
    QList<quint64> frames; // innermost first
    QList<Image> images;   // executable mappings, for symbolication

    // Null when the text is not a report or lacks the signal line.
    static std::optional<CrashReport> parse(const QByteArray& text);

    // The context lines CrashHandler copies into each report.
    static QByteArray contextLines(const QString& release, const QString& environment,
                                   const QMap<QString, QString>& tags);

    static QString signalName(int signal);

    // The protocol's debug identifier of an ELF image: the build ID's first 16 bytes (zero-padded)
    // read as a GUID whose first three fields are little-endian. Empty for an unreadable ID.
    static QString debugIdFromBuildId(const QString& buildId);

    // Image paths under `home` become "~/…", so a report does not carry the user's name.
    void redactHome(const QString& home);

    // The event payload: level fatal, the signal as an unhandled exception with its frames
    // (outermost first, as the protocol wants), the loaded images with their build IDs where
    // known, release, environment, tags.
    QJsonObject toEvent(const QString& eventId) const;
};
