#include "Configuration/AppVersion.h"

#include <QFile>
#include <QStringDecoder>

QString AppVersion::readVersionFile(const QString& path)
{
    const QString dev = QStringLiteral("dev");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dev;
    QStringDecoder decoder(QStringDecoder::Utf8);
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
