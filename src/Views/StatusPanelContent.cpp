#include "Views/StatusPanelContent.h"

#include "Views/DurationText.h"

#include <algorithm>
#include <cmath>

namespace {
QString titleFor(const StatusPanelInput& in)
{
    switch (in.state) {
    case BreakState::idle:
        return in.isOnNaturalBreak ? QStringLiteral("On a natural break") : QStringLiteral("Idle");
    case BreakState::active:
        if (in.blocked)
            return QStringLiteral("Break Blocked");
        return in.isSnoozed ? QStringLiteral("Break Snoozed") : QStringLiteral("Working");
    case BreakState::preAlert:
        return QStringLiteral("Break Soon");
    case BreakState::onBreak:
        return in.isLongBreak ? QStringLiteral("Long Break") : QStringLiteral("On Break");
    case BreakState::disabled:
        return QStringLiteral("Disabled");
    }
    return {};
}

QString symbolFor(const StatusPanelInput& in)
{
    switch (in.state) {
    case BreakState::idle:
        return in.isOnNaturalBreak ? QStringLiteral("figure.walk") : QStringLiteral("figure.stand");
    case BreakState::active:
        if (in.blocked)
            return QStringLiteral("clock.badge.exclamationmark");
        return in.isSnoozed ? QStringLiteral("zzz") : QStringLiteral("deskclock");
    case BreakState::preAlert:
        return QStringLiteral("exclamationmark.circle");
    case BreakState::onBreak:
        return QStringLiteral("figure.walk");
    case BreakState::disabled:
        return QStringLiteral("moon.zzz");
    }
    return {};
}

StatusPanelContent::Progress workProgress(const StatusPanelInput& in)
{
    const double total = in.workDurationSeconds + in.snoozedTime;
    double p = total > 0 ? in.accumulatedWorkTime / total : 1.0;
    p = std::isnan(p) ? 0.0 : std::clamp(p, 0.0, 1.0);
    StatusPanelContent::Tint tint = StatusPanelContent::Tint::accent;
    if (in.blocked)
        tint = StatusPanelContent::Tint::red;
    else if (p > 0.8)
        tint = StatusPanelContent::Tint::orange;
    return {p, tint};
}

StatusPanelContent::Progress breakProgress(const StatusPanelInput& in)
{
    const double d = in.isLongBreak ? in.longBreakDurationSeconds : in.breakDurationSeconds;
    double p = d > 0 ? std::min(1.0, (d - in.breakTimeRemaining) / d) : 0.0;
    p = std::isnan(p) ? 0.0 : std::max(0.0, p);
    return {p, StatusPanelContent::Tint::green};
}
} // namespace

QString StatusPanelContent::formatDisableRemaining(const QDateTime& endDate, const QDateTime& now)
{
    // msecsTo is a 64-bit count; integer division truncates toward zero.
    const qint64 n = now.msecsTo(endDate) / 1000;
    const qint64 s = std::max<qint64>(0, n);
    const qint64 h = s / 3600;
    const qint64 m = (s % 3600) / 60;
    if (n >= 3600)
        return QStringLiteral("%1h %2m").arg(h).arg(m);
    return QStringLiteral("%1m").arg(m);
}

StatusPanelContent StatusPanelContent::make(const StatusPanelInput& in)
{
    StatusPanelContent c;
    c.title = titleFor(in);
    c.symbol = symbolFor(in);

    if (in.state == BreakState::disabled) {
        if (in.disableEndDate.isValid()) {
            c.timeLine = QStringLiteral("Re-enables in ") +
                         formatDisableRemaining(in.disableEndDate, in.now);
        }
    } else {
        c.timeLine = QStringLiteral("Work Session: ") +
                     DurationText::clock(in.accumulatedWorkTime) + QStringLiteral(" / ") +
                     DurationText::clock(in.workDurationSeconds + in.snoozedTime);
    }

    switch (in.state) {
    case BreakState::active:
    case BreakState::preAlert:
        if (in.blocked) {
            c.details.append({QStringLiteral("Break blocked (") +
                                  in.blockerNames.join(QStringLiteral(", ")) + QLatin1Char(')'),
                              Tone::red});
        } else {
            c.details.append({QStringLiteral("Due in ") + DurationText::dueIn(in.timeUntilBreak)});
        }
        if (in.longBreakEnabled) {
            // Compared before subtracting: a stored interval near the 64-bit minimum would
            // overflow the difference.
            const bool longNext = in.completedBreakCount >= in.longBreakIntervalBreaks;
            const qint64 r = longNext ? 0 : in.longBreakIntervalBreaks - in.completedBreakCount;
            if (longNext) {
                c.details.append({QStringLiteral("Next break is a long break"), Tone::orange});
            } else {
                c.details.append({QStringLiteral("%1 break%2 until long break")
                                      .arg(r)
                                      .arg(r == 1 ? QString() : QStringLiteral("s"))});
            }
        }
        c.progress = workProgress(in);
        break;
    case BreakState::onBreak:
        c.details.append({QStringLiteral("Break: ") + DurationText::clock(in.breakTimeRemaining) +
                          QStringLiteral(" remaining")});
        c.progress = breakProgress(in);
        break;
    case BreakState::idle:
    case BreakState::disabled:
        break;
    }
    return c;
}
