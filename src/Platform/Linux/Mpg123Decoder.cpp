#include "Platform/Linux/Mpg123Decoder.h"

#include "Platform/BoundedFileReader.h"

#include <QFileInfo>
#include <memory>
#include <mpg123.h>

namespace {
using Handle = std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)>;

Mpg123Decoder::Result failure(QString error)
{
    Mpg123Decoder::Result result;
    result.error = std::move(error);
    return result;
}
} // namespace

Mpg123Decoder::Result Mpg123Decoder::decodeFile(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        Result missing;
        missing.status = Result::Status::Missing;
        return missing;
    }
    // The user's data folder comes first in the search: what is there may be anything.
    const std::optional<QByteArray> read =
        BoundedFileReader::read(path, {64 * 1024 * 1024, BoundedFileReader::Links::Follow});
    if (!read)
        return failure(QStringLiteral("not a readable sound file of at most 64 MiB"));
    const QByteArray& encoded = *read;

    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error), &mpg123_delete);
    if (!handle)
        return failure(QString::fromUtf8(mpg123_plain_strerror(error)));
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Signed 16-bit at whatever rate and channel count the file has.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(handle.get()) != MPG123_OK)
        return failure(QString::fromUtf8(mpg123_strerror(handle.get())));

    DecodedSound sound;
    unsigned char buffer[16384];
    const auto* input = reinterpret_cast<const unsigned char*>(encoded.constData());
    size_t inputSize = size_t(encoded.size());
    for (;;) {
        size_t produced = 0;
        const int status =
            mpg123_decode(handle.get(), input, inputSize, buffer, sizeof buffer, &produced);
        input = nullptr;
        inputSize = 0;
        if (produced > 0)
            sound.pcm.append(reinterpret_cast<const char*>(buffer), qsizetype(produced));
        if (status == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(handle.get(), &rate, &channels, &encoding);
            if (!sound.pcm.isEmpty() && (rate != sound.rate || channels != sound.channels))
                return failure(QStringLiteral("the format changes within the file"));
            sound.rate = int(rate);
            sound.channels = channels;
            continue;
        }
        if (status == MPG123_OK)
            continue;
        if (status == MPG123_NEED_MORE || status == MPG123_DONE)
            break;
        return failure(QString::fromUtf8(mpg123_strerror(handle.get())));
    }
    if (sound.pcm.isEmpty() || sound.rate <= 0 || sound.channels <= 0)
        return failure(QStringLiteral("no audio in the file"));

    Result decoded;
    decoded.status = Result::Status::Decoded;
    decoded.sound = std::move(sound);
    return decoded;
}
