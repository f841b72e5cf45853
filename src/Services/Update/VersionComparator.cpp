#include "Services/Update/VersionComparator.h"

#include <QList>

namespace {
struct Run {
    bool numeric = false;
    QString text;
};

QList<Run> splitRuns(const QString& version)
{
    QList<Run> runs;
    Run current;
    auto flush = [&] {
        if (!current.text.isEmpty())
            runs.append(current);
        current = Run{};
    };
    for (const QChar c : version) {
        const bool digit = c.isDigit();
        const bool letter = c.isLetter();
        if (!digit && !letter) {
            flush();
            continue;
        }
        if (!current.text.isEmpty() && current.numeric != digit)
            flush();
        current.numeric = digit;
        current.text.append(c);
    }
    flush();
    return runs;
}

// Digit runs of any length, without overflow: strip leading zeros, then longer is larger.
int compareNumeric(const QString& a, const QString& b)
{
    auto strip = [](const QString& s) {
        qsizetype i = 0;
        while (i < s.size() - 1 && s.at(i) == QLatin1Char('0'))
            ++i;
        return s.mid(i);
    };
    const QString x = strip(a);
    const QString y = strip(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

bool isZero(const Run& run)
{
    return run.numeric && compareNumeric(run.text, QStringLiteral("0")) == 0;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// What the runs left over in the longer text say about it compared with the shorter one.
int compareRemainder(const QList<Run>& runs, qsizetype from)
{
    for (qsizetype i = from; i < runs.size(); ++i) {
        if (!runs.at(i).numeric)
            return -1;
        if (!isZero(runs.at(i)))
            return 1;
    }
    return 0;
}
} // namespace

int VersionComparator::compare(const QString& a, const QString& b)
{
    const QList<Run> left = splitRuns(a);
    const QList<Run> right = splitRuns(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Run& x = left.at(i);
        const Run& y = right.at(i);
        if (x.numeric != y.numeric)
            return x.numeric ? 1 : -1;
        const int result = x.numeric ? compareNumeric(x.text, y.text)
                                     : x.text.compare(y.text, Qt::CaseInsensitive);
        if (result != 0)
            return sign(result);
    }
    if (left.size() > common)
        return compareRemainder(left, common);
    if (right.size() > common)
        return -compareRemainder(right, common);
    return 0;
}
