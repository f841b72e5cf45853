#include "Configuration/AppVersion.h"

#include <QFile>
#include <QStringDecoder>

QString AppVersion::readVersionFile(const QString& path)
{
    const QString dev = QStringLiteral("dev");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dev;
    // Stateless, so a file cut inside a character counts as invalid instead of the decoder
    // holding the partial bytes back for a next chunk that never comes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError())
        return dev;
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? dev : trimmed;
}

QString AppVersion::current()
{
    // A function-local static is initialised once, even with concurrent first readers.
    static const QString version = readVersionFile(QStringLiteral(":/ostavel/version.txt"));
    return version;
}
