#include "Views/StatusItemContent.h"

#include "Views/DurationText.h"

StatusItemContent StatusItemContent::make(BreakState state, double timeUntilBreak, bool blocked,
                                          bool redDot)
{
    StatusItemContent content;
    content.redDot = redDot;
    switch (state) {
    case BreakState::active:
    case BreakState::preAlert:
        content.image = Image::countdown;
        content.text = DurationText::trayCountdown(timeUntilBreak);
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
