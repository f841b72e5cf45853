#include "Views/DurationText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Whole seconds, truncated toward zero; NaN is 0 and magnitudes a 64-bit count cannot hold are
// clamped.
qint64 wholeSeconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    constexpr double limit = double(std::numeric_limits<qint64>::max() / 2);
    return qint64(std::trunc(std::clamp(seconds, -limit, limit)));
}
} // namespace

namespace DurationText {
QString clock(double seconds)
{
    const qint64 s = std::max<qint64>(0, wholeSeconds(seconds));
    return QString::asprintf("%lld:%02lld", static_cast<long long>(s / 60),
                             static_cast<long long>(s % 60));
}

QString dueIn(double seconds)
{
    const qint64 s = std::max<qint64>(0, wholeSeconds(seconds));
    if (s > 59)
        return QStringLiteral("%1m %2s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1s").arg(s);
}

QString trayCountdown(double seconds)
{
    if (!(seconds >= 1))
        return QStringLiteral("Now");
    const qint64 s = wholeSeconds(seconds);
    if (s < 60)
        return QStringLiteral("%1s").arg(s);
    return QStringLiteral("%1m").arg(s / 60);
}

QString snoozeOption(double seconds)
{
    const qint64 n = std::isfinite(seconds) ? wholeSeconds(seconds) : 0;
    if (n >= 60 && n % 60 == 0)
        return QStringLiteral("%1m").arg(n / 60);
    return QStringLiteral("%1s").arg(n);
}

QString sliderValue(double seconds)
{
    // 2^63: the first double beyond qint64. The full range is kept here (not clamped), so a huge
    // stored value shows as what it is.
    constexpr double limit = 9223372036854775808.0;
    if (std::isnan(seconds) || seconds >= limit || seconds < -limit)
        return QStringLiteral("\u2014");
    const qint64 n = qint64(seconds);
    if (n < 60 || n % 60 != 0)
        return QStringLiteral("%1s").arg(n);
    return QStringLiteral("%1 min").arg(n / 60);
}
} // namespace DurationText
