#pragma once

#include <QList>
#include <QString>

// One application a picker offers: its identifier (on Linux the desktop-entry id), its name in
// the user's language and the icon its entry names (a theme name, an absolute path or a pixmap
// name; may be empty).
struct InstalledApplication {
    QString id;
    QString name;
    QString iconName;

    friend bool operator==(const InstalledApplication&, const InstalledApplication&) = default;
};

// The applications installed for this user, as value snapshots for the settings' picker and
// list rows.
class InstalledApplications {
public:
    virtual ~InstalledApplications() = default;
    // Those meant to be offered, sorted by name. Thread-safe; the first call may read hundreds
    // of files, so call it off the main thread.
    virtual QList<InstalledApplication> applications() const = 0;
};
