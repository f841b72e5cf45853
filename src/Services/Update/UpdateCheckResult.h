#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

// An update the user can be offered. Every address in it is HTTPS.
struct UpdateOffer {
    QString version; // what "skip this version" remembers
    QString displayVersion;
    QString title;
    QString notes; // the feed's description: plain text or HTML
    QUrl releaseNotesLink;
    QUrl downloadPage;
};

// What an update check found, for the window that shows it.
struct UpdateCheckResult {
    enum class Outcome { upToDate, updateAvailable, failed };

    Outcome outcome = Outcome::failed;
    bool userInitiated = false;
    QString currentVersion;
    UpdateOffer offer;    // when updateAvailable
    QString errorMessage; // when failed: a sentence saying what went wrong
};

Q_DECLARE_METATYPE(UpdateCheckResult)
