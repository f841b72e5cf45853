#include "Views/StatusItemContent.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString StatusItemContent::countdownText(double timeUntilBreak)
{
    // Whole seconds, truncated toward zero: anything below one second is due. A NaN counts as
    // due too, and a huge value is held to what a 64-bit count can say.
    if (!(timeUntilBreak >= 1))
        return QStringLiteral("Now");
    const double maxSeconds = double(std::numeric_limits<qint64>::max() / 2);
    const qint64 s = qint64(std::trunc(std::min(timeUntilBreak, maxSeconds)));
    if (s < 60)
        return QStringLiteral("%1s").arg(s);
    return QStringLiteral("%1m").arg(s / 60);
}

StatusItemContent StatusItemContent::make(BreakState state, double timeUntilBreak, bool blocked,
                                          bool redDot)
{
    StatusItemContent content;
    content.redDot = redDot;
    switch (state) {
    case BreakState::active:
    case BreakState::preAlert:
        content.image = Image::countdown;
        content.text = countdownText(timeUntilBreak);
        content.toolTip = content.text + (blocked ? QStringLiteral(" Blocked") : QString());
        break;
    case BreakState::disabled:
        content.image = Image::moon;
        content.toolTip = QStringLiteral("Disabled");
        break;
    case BreakState::idle:
    case BreakState::onBreak:
        // A square tray icon has no room for the word: the figure stays, the dot and the
        // tooltip say it.
        content.image = Image::stand;
        content.toolTip = blocked ? QStringLiteral("Blocked") : QStringLiteral("Ostavel");
        break;
    }
    return content;
}
