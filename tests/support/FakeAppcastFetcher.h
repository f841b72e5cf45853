#pragma once

#include "Services/Update/AppcastFetcher.h"

#include <QList>

// Records the feeds asked for; the test answers the pending fetch with complete().
class FakeAppcastFetcher final : public AppcastFetcher {
public:
    void fetch(const QUrl& feedUrl, Callback done) override
    {
        m_requested.append(feedUrl);
        m_done = std::move(done);
    }
    void cancel() override { m_done = nullptr; }

    const QList<QUrl>& requested() const { return m_requested; }
    bool isPending() const { return bool(m_done); }
    void complete(const AppcastFetchResult& result)
    {
        Callback done = std::move(m_done);
        m_done = nullptr;
        if (done)
            done(result);
    }

private:
    QList<QUrl> m_requested;
    Callback m_done;
};
