#pragma once

#include "Services/Update/AppcastItem.h"

#include <QByteArray>
#include <optional>

// Reads an appcast (RSS 2.0 with the appcast namespace) into its items. Pure: no I/O.
//
// Items without a version are left out. A document that is not well-formed XML, ends early, is
// not an RSS feed, carries a DTD or nests elements inside an item's field (or any element the
// parser skips) more than a few hundred deep fails with a message that says so.
namespace AppcastParser {
inline const QString appcastNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

std::optional<Appcast> parse(const QByteArray& document, QString* error = nullptr);

// The newest item whose version is newer than `currentVersion`, if any, among the untagged items
// and those tagged with `channel` (an update channel's raw value, such as "beta").
std::optional<AppcastItem> newestUpdate(const Appcast& appcast, const QString& currentVersion,
                                        const QString& channel);
} // namespace AppcastParser
