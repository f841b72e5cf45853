#pragma once

#include <QString>

// The version of the running build, from the text resource the build bakes in. Computed once per
// process; "dev" when the resource is missing, unreadable or blank.
namespace AppVersion {
QString current();
// The same rule for any file; exposed for tests.
QString readVersionFile(const QString& path);
} // namespace AppVersion
