#pragma once

#include "Configuration/AppEntry.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class InstalledApplications;
class LoginItem;
class QWidget;

// What the settings view needs from outside the configuration and the updater, handed in by the
// app type so that the view never reaches the platform itself.
struct SettingsEnvironment {
    // Launch at login; without one the toggle is disabled.
    std::shared_ptr<LoginItem> loginItem;
    // The picker's list and the rows' icons; without it the picker is empty.
    std::shared_ptr<const InstalledApplications> applications;
    // Where loose application icons live (/usr/share/pixmaps and the like).
    QStringList pixmapDirs;

    // Replaces the picker dialog (tests). Calls `done` once: with the chosen application, or
    // with nothing when the user cancels.
    using PickerCompletion = std::function<void(std::optional<AppEntry>)>;
    std::function<void(QWidget* parent, PickerCompletion done)> pickApplication;
};
