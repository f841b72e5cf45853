#include "BreakBlocker/AppBlocker.h"

Q_LOGGING_CATEGORY(lcAppBlocker, "com.ostavel.app.AppBlocker", QtWarningMsg)

namespace AppBlocker {

BlockerCheckResult checkApps(const QSet<QString>& bundleIDs,
                             const std::vector<RunningApplication>& runningApps)
{
    if (bundleIDs.isEmpty())
        return {};
    for (const RunningApplication& app : runningApps) {
        if (!bundleIDs.contains(app.bundleIdentifier))
            continue;
        qCInfo(lcAppBlocker).noquote()
            << QStringLiteral("Break blocker app running: %1").arg(app.localizedName);
        return BlockerCheckResult::blockedBy(app.localizedName);
    }
    return {};
}

} // namespace AppBlocker
