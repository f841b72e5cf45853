#pragma once

#include "BreakBlocker/BlockerCheckResult.h"
#include "Platform/RunningApplication.h"

#include <QLoggingCategory>
#include <QSet>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcAppBlocker)

// Whether an application from the user's blocker list runs. Stateless; any thread.
namespace AppBlocker {

// `runningApps` has unique identifiers, in the order the applications were found; the first
// listed one answers, with the name the running application reports.
BlockerCheckResult checkApps(const QSet<QString>& bundleIDs,
                             const std::vector<RunningApplication>& runningApps);

} // namespace AppBlocker
