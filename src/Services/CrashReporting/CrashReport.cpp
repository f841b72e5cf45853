#include "Services/CrashReporting/CrashReport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QSet>
#include <algorithm>
#include <csignal>

namespace {
const QByteArray magic = QByteArrayLiteral("OSTAVEL-CRASH 1");

QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

QString hex(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

std::optional<quint64> parseHex(QByteArrayView text)
{
    bool ok = false;
    const quint64 value = text.toByteArray().toULongLong(&ok, 16);
    return ok ? std::optional(value) : std::nullopt;
}

// "image <start> <end> <build id> <path>", prepared by the handler before the crash.
std::optional<CrashReport::Image> parseImageLine(const QByteArray& value)
{
    const QList<QByteArray> fields = value.split(' ');
    if (fields.size() < 4)
        return std::nullopt;
    const auto start = parseHex(fields.at(0).mid(2));
    const auto end = parseHex(fields.at(1).mid(2));
    const QByteArray buildId = fields.at(2);
    const qsizetype pathAt = fields.at(0).size() + fields.at(1).size() + buildId.size() + 3;
    if (!fields.at(0).startsWith("0x") || !fields.at(1).startsWith("0x") || !start || !end ||
        buildId.isEmpty() || QByteArray::fromHex(buildId).toHex() != buildId)
        return std::nullopt;
    return CrashReport::Image{QString::fromUtf8(value.mid(pathAt)), *start, *end,
                              QString::fromLatin1(buildId)};
}

// "start-end perms offset dev inode path": keeps file-backed mappings, merged per file. An image
// takes the build ID of the prepared image line with the same path that starts inside it; one
// loaded after the lines were prepared has none.
void readMaps(const QList<QByteArray>& lines, qsizetype from, QList<CrashReport::Image>& images,
              const QList<CrashReport::Image>& prepared)
{
    QMap<QString, CrashReport::Image> byPath;
    QSet<QString> executable;
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        if (fields.size() < 6 || !fields.at(5).startsWith('/'))
            continue;
        const QList<QByteArray> range = fields.at(0).split('-');
        if (range.size() != 2)
            continue;
        const auto start = parseHex(range.at(0));
        const auto end = parseHex(range.at(1));
        if (!start || !end)
            continue;
        const QString path = QString::fromUtf8(lines.at(i).mid(lines.at(i).indexOf('/')));
        CrashReport::Image& image = byPath[path];
        if (image.path.isEmpty())
            image = {path, *start, *end, {}};
        image.start = std::min(image.start, *start);
        image.end = std::max(image.end, *end);
        if (fields.at(1).contains('x'))
            executable.insert(path);
    }
    for (CrashReport::Image image : std::as_const(byPath)) {
        if (!executable.contains(image.path))
            continue;
        for (const CrashReport::Image& known : prepared) {
            if (known.path == image.path && known.start >= image.start && known.start < image.end)
                image.buildId = known.buildId;
        }
        images.append(image);
    }
    std::sort(images.begin(), images.end(),
              [](const auto& a, const auto& b) { return a.start < b.start; });
}

QString signalDescription(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return QStringLiteral("Segmentation fault");
    case SIGBUS:
        return QStringLiteral("Bus error");
    case SIGILL:
        return QStringLiteral("Illegal instruction");
    case SIGFPE:
        return QStringLiteral("Floating-point exception");
    case SIGABRT:
        return QStringLiteral("Aborted");
    default:
        return QStringLiteral("Signal %1").arg(signal);
    }
}
} // namespace

QString CrashReport::signalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return QStringLiteral("SIGSEGV");
    case SIGBUS:
        return QStringLiteral("SIGBUS");
    case SIGILL:
        return QStringLiteral("SIGILL");
    case SIGFPE:
        return QStringLiteral("SIGFPE");
    case SIGABRT:
        return QStringLiteral("SIGABRT");
    default:
        return QStringLiteral("SIG%1").arg(signal);
    }
}

QByteArray CrashReport::contextLines(const QString& release, const QString& environment,
                                     const QMap<QString, QString>& tags)
{
    QByteArray lines = "release " + oneLine(release).toUtf8() + '\n';
    lines += "environment " + oneLine(environment).toUtf8() + '\n';
    for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
        QString key = oneLine(it.key());
        key.replace(QLatin1Char(' '), QLatin1Char('_'));
        lines += "tag " + key.toUtf8() + ' ' + oneLine(it.value()).toUtf8() + '\n';
    }
    return lines;
}

std::optional<CrashReport> CrashReport::parse(const QByteArray& text)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != magic)
        return std::nullopt;
    CrashReport report;
    bool haveSignal = false;
    QList<Image> prepared;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        if (line == "maps") {
            readMaps(lines, i + 1, report.images, prepared);
            break;
        }
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        const QByteArray key = line.left(space);
        const QString value = QString::fromUtf8(line.mid(space + 1));
        if (key == "signal") {
            report.signal = value.toInt(&haveSignal);
        } else if (key == "reason") {
            report.reason = value;
        } else if (key == "exception") {
            report.exception = value;
        } else if (key == "address") {
            report.address = parseHex(line.mid(space + 1));
        } else if (key == "time") {
            report.time = value.toLongLong();
        } else if (key == "release") {
            report.release = value;
        } else if (key == "environment") {
            report.environment = value;
        } else if (key == "tag") {
            const qsizetype split = value.indexOf(QLatin1Char(' '));
            if (split > 0)
                report.tags.insert(value.left(split), value.mid(split + 1));
        } else if (key == "image") {
            if (auto image = parseImageLine(line.mid(space + 1)))
                prepared.append(*image);
        } else if (key == "frame") {
            if (const auto frame = parseHex(line.mid(space + 1)))
                report.frames.append(*frame);
        }
    }
    if (!haveSignal)
        return std::nullopt;
    return report;
}

QString CrashReport::debugIdFromBuildId(const QString& buildId)
{
    const QByteArray bytes = QByteArray::fromHex(buildId.toLatin1());
    if (bytes.isEmpty() || bytes.toHex() != buildId.toLatin1().toLower())
        return {};
    QByteArray guid = bytes.left(16);
    guid.append(QByteArray(16 - guid.size(), '\0'));
    std::reverse(guid.begin(), guid.begin() + 4);
    std::reverse(guid.begin() + 4, guid.begin() + 6);
    std::reverse(guid.begin() + 6, guid.begin() + 8);
    const QByteArray hexText = guid.toHex();
    return QString::fromLatin1(hexText.left(8) + '-' + hexText.mid(8, 4) + '-' +
                               hexText.mid(12, 4) + '-' + hexText.mid(16, 4) + '-' +
                               hexText.mid(20));
}

void CrashReport::redactHome(const QString& home)
{
    if (home.isEmpty() || home == QLatin1String("/"))
        return;
    const QString prefix = home.endsWith(QLatin1Char('/')) ? home : home + QLatin1Char('/');
    for (Image& image : images) {
        if (image.path.startsWith(prefix))
            image.path = QStringLiteral("~/") + image.path.mid(prefix.size());
    }
}

QJsonObject CrashReport::toEvent(const QString& eventId) const
{
    QJsonArray frameList;
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        frameList.append(QJsonObject{{QStringLiteral("instruction_addr"), hex(*it)}});

    const bool terminated = reason == QLatin1String("terminate");
    QJsonObject mechanism{
        {QStringLiteral("type"),
         terminated ? QStringLiteral("terminate") : QStringLiteral("signalhandler")},
        {QStringLiteral("handled"), false},
        {QStringLiteral("meta"),
         QJsonObject{{QStringLiteral("signal"),
                      QJsonObject{{QStringLiteral("number"), signal},
                                  {QStringLiteral("name"), signalName(signal)}}}}}};
    if (address)
        mechanism.insert(QStringLiteral("data"),
                         QJsonObject{{QStringLiteral("address"), hex(*address)}});

    QJsonObject exceptionValue{
        {QStringLiteral("type"),
         terminated ? QStringLiteral("std::terminate") : signalName(signal)},
        {QStringLiteral("value"),
         terminated ? (exception.isEmpty()
                           ? QStringLiteral("terminate called")
                           : QStringLiteral("uncaught exception of type %1").arg(exception))
                    : signalDescription(signal)},
        {QStringLiteral("mechanism"), mechanism},
        {QStringLiteral("stacktrace"), QJsonObject{{QStringLiteral("frames"), frameList}}}};

    QJsonArray imageList;
    for (const Image& image : images) {
        QJsonObject entry{{QStringLiteral("type"), QStringLiteral("elf")},
                          {QStringLiteral("code_file"), image.path},
                          {QStringLiteral("image_addr"), hex(image.start)},
                          {QStringLiteral("image_size"), qint64(image.end - image.start)}};
        const QString debugId = debugIdFromBuildId(image.buildId);
        if (!debugId.isEmpty()) {
            entry.insert(QStringLiteral("code_id"), image.buildId);
            entry.insert(QStringLiteral("debug_id"), debugId);
        }
        imageList.append(entry);
    }

    QJsonObject tagObject;
    for (auto it = tags.cbegin(); it != tags.cend(); ++it)
        tagObject.insert(it.key(), it.value());

    QJsonObject event{{QStringLiteral("event_id"), eventId},
                      {QStringLiteral("timestamp"), qint64(time)},
                      {QStringLiteral("platform"), QStringLiteral("native")},
                      {QStringLiteral("level"), QStringLiteral("fatal")},
                      {QStringLiteral("release"), release},
                      {QStringLiteral("environment"), environment},
                      {QStringLiteral("tags"), tagObject},
                      {QStringLiteral("exception"),
                       QJsonObject{{QStringLiteral("values"), QJsonArray{exceptionValue}}}}};
    if (!imageList.isEmpty())
        event.insert(QStringLiteral("debug_meta"),
                     QJsonObject{{QStringLiteral("images"), imageList}});
    return event;
}
