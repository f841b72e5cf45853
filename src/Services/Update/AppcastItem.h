#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// One <item> of an appcast feed. `version` is what updates are ordered by and must use the same
// scheme as the app's own version text; `shortVersion` is only for display.
struct AppcastItem {
    QString title;
    QString version;
    QString shortVersion;
    QUrl link;
    QString description;
    QUrl releaseNotesLink;
    QUrl enclosureUrl;
    qint64 enclosureLength = -1;
    QString minimumSystemVersion;
    // The appcast channel the item is tagged with; empty for an item offered on every channel.
    QString channel;

    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
    // The page the user is sent to: the item's web page when it has one, else the download itself.
    QUrl downloadPage() const { return link.isValid() && !link.isEmpty() ? link : enclosureUrl; }

    friend bool operator==(const AppcastItem&, const AppcastItem&) = default;
};

struct Appcast {
    QString title;
    QList<AppcastItem> items;
};
