#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reads a file that another program of the user may have put in our way: a FIFO that nobody
// writes, a link to /dev/zero or to a camera, a folder, a huge file. The file is opened without
// blocking and only if it is a regular file (checked before opening, so no device is ever
// opened, and again on the open descriptor); at most `cap` bytes are read whatever size it
// reports (/proc files and device links report 0). Nothing on any refusal. Any thread.
class BoundedFileReader {
public:
    enum class Links {
        Refuse, // the last component must not be a symbolic link
        Follow, // links are legitimate (Flatpak exports desktop entries as links)
    };
    enum class Overflow {
        Refuse,   // a file longer than the cap is not the file we expect
        Truncate, // its first `cap` bytes are enough
    };
    struct Options {
        qsizetype cap = 1024 * 1024;
        Links links = Links::Refuse;
        Overflow overflow = Overflow::Refuse;
    };

    static std::optional<QByteArray> read(const QString& path, const Options& options);
    // `path` relative to the open folder `dirFd` (as for openat).
    static std::optional<QByteArray> readAt(int dirFd, const char* path, const Options& options);
};
