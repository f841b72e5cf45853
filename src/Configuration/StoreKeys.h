#pragma once

#include <QString>

// Every key of the persistent store (UserDefaults), in one place. The texts are what earlier
// versions wrote and later ones read: never change one.
namespace StoreKeys {
// The settings record (Configuration) as JSON.
inline const QString configuration = QStringLiteral("com.ostavel.configuration");
// An unreadable stored record is kept under this prefix and the time it was found, so the first
// save cannot lose it.
inline const QString configurationUnreadablePrefix =
    QStringLiteral("com.ostavel.configuration.unreadable.");
// When a "disable" ends (UTC); absent while breaks are on.
inline const QString disableEndDate = QStringLiteral("com.ostavel.disableEndDate");
// True once the user turned launch at login off in Ostavel; absent reads as false.
inline const QString launchAtLoginDisabled = QStringLiteral("com.ostavel.launchAtLoginDisabled");
inline const QString onboardingCompleted = QStringLiteral("com.ostavel.onboardingCompleted");
inline const QString menuBarHintShown = QStringLiteral("com.ostavel.menuBarHintShown");
// The update channel's raw value ("stable", "beta").
inline const QString updateChannel = QStringLiteral("com.ostavel.updateChannel");
// The version the user chose to skip in an update prompt.
inline const QString skippedVersion = QStringLiteral("com.ostavel.skippedVersion");
} // namespace StoreKeys
