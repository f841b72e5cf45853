#include "BreakBlocker/FullscreenBlocker.h"

#include "Platform/WindowList.h"

#include <QCoreApplication>

Q_LOGGING_CATEGORY(lcFullscreenBlocker, "com.ostavel.app.FullscreenBlocker", QtWarningMsg)

namespace FullscreenBlocker {

namespace {
// Half-open like the window system's own hit test: a point on the right or bottom edge belongs
// to the neighbouring screen.
bool containsPoint(const QRect& screen, double x, double y)
{
    return x >= screen.x() && x < double(screen.x()) + screen.width() && y >= screen.y() &&
           y < double(screen.y()) + screen.height();
}
} // namespace

std::optional<Match> findFullscreenWindow(const std::vector<WindowInfo>& windows,
                                          const QList<QRect>& screenFrames, qint64 ownPid)
{
    for (const WindowInfo& window : windows) {
        // Our own break overlay and alert panels must never hold a break back.
        if (!window.pid || *window.pid == ownPid)
            continue;
        if (window.bounds.width() <= 0 || window.bounds.height() <= 0)
            continue;
        const double centreX = window.bounds.x() + window.bounds.width() / 2.0;
        const double centreY = window.bounds.y() + window.bounds.height() / 2.0;
        for (const QRect& screen : screenFrames) {
            if (!containsPoint(screen, centreX, centreY))
                continue;
            if (window.bounds.width() >= screen.width() &&
                window.bounds.height() >= screen.height())
                return Match{window, screen};
            break;
        }
    }
    return std::nullopt;
}

BlockerCheckResult checkFullscreen(const QList<QRect>& screenFrames, WindowList& windowList,
                                   std::optional<qint64> ownPid)
{
    if (screenFrames.isEmpty())
        return {};
    const qint64 pid = ownPid.value_or(QCoreApplication::applicationPid());
    const std::optional<Match> match =
        findFullscreenWindow(windowList.windows(), screenFrames, pid);
    if (!match)
        return {};
    const QString name = BlockerCheckResult::singleLine(
        match->window.ownerName.isEmpty() ? QStringLiteral("Unknown") : match->window.ownerName);
    qCInfo(lcFullscreenBlocker).noquote() << QString::asprintf(
        "Fullscreen detected: %s (PID %lld), bounds: %fx%f, screen: %fx%f", qUtf8Printable(name),
        *match->window.pid, double(match->window.bounds.width()),
        double(match->window.bounds.height()), double(match->screen.width()),
        double(match->screen.height()));
    return BlockerCheckResult::blockedBy(name);
}

} // namespace FullscreenBlocker
