#pragma once

#include "BreakBlocker/BlockerCheckResult.h"
#include "Platform/WindowInfo.h"

#include <QList>
#include <QLoggingCategory>
#include <QRect>
#include <optional>
#include <vector>

class WindowList;

Q_DECLARE_LOGGING_CATEGORY(lcFullscreenBlocker)

// Whether another application's window covers a whole screen. Stateless; any thread.
namespace FullscreenBlocker {

struct Match {
    WindowInfo window;
    QRect screen;
};

// The rule itself. Windows come front to back, screens primary first, all in root coordinates.
// A window counts when it is not this process's, its centre lies in some screen (the first that
// contains it; right and bottom edges excluded), and it is at least that screen's width and
// height. Only that one screen is tried.
std::optional<Match> findFullscreenWindow(const std::vector<WindowInfo>& windows,
                                          const QList<QRect>& screenFrames, qint64 ownPid);

// Asks the window list only when there is a screen. `ownPid` defaults to this process.
BlockerCheckResult checkFullscreen(const QList<QRect>& screenFrames, WindowList& windowList,
                                   std::optional<qint64> ownPid = std::nullopt);

} // namespace FullscreenBlocker
