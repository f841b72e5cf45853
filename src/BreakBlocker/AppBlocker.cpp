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
        const QString name = BlockerCheckResult::singleLine(app.localizedName);
        qCInfo(lcAppBlocker).noquote() << QStringLiteral("Break blocker app running: %1").arg(name);
        return BlockerCheckResult::blockedBy(name);
    }
    return {};
}

} // namespace AppBlocker
