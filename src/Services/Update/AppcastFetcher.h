#pragma once

#include "Services/Update/AppcastItem.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

// The outcome of reading one feed: the appcast, or a sentence saying what went wrong.
struct AppcastFetchResult {
    std::optional<Appcast> appcast;
    QString error;
};

// Fetches and parses an appcast. Exactly one callback per fetch, always later on the main thread,
// unless cancel() or destruction comes first (then none).
class AppcastFetcher {
public:
    using Callback = std::function<void(const AppcastFetchResult&)>;

    virtual ~AppcastFetcher() = default;
    // Cancels a fetch still running.
    virtual void fetch(const QUrl& feedUrl, Callback done) = 0;
    virtual void cancel() = 0;
};
