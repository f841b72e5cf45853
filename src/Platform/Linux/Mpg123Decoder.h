#pragma once

#include <QByteArray>
#include <QString>

// One sound decoded to interleaved signed 16-bit samples in the machine's byte order.
struct DecodedSound {
    int rate = 0;
    int channels = 0;
    QByteArray pcm;
};

// Decodes a whole mp3 file with libmpg123. Blocking file I/O and a few milliseconds of CPU per
// second of sound: never on the main thread.
namespace Mpg123Decoder {
struct Result {
    enum class Status { Decoded, Missing, Unreadable };
    Status status = Status::Unreadable;
    DecodedSound sound;
    QString error; // why an existing file could not be decoded
};
Result decodeFile(const QString& path);
} // namespace Mpg123Decoder
