#pragma once

#include <QString>

// A running process resolved to an application. The identifier is the application's
// desktop-entry id (empty when the process could not be resolved); the localized name may be
// empty when the application has none.
struct RunningApplication {
    QString bundleIdentifier;
    QString localizedName;
};
