#pragma once

#include "Services/HttpsClient.h"

// The tests' only way past the HTTPS rule: an https address on 127.0.0.1 is served over plain
// HTTP by the loopback server. Every other address follows the production rule.
class LoopbackHttpsClient final : public HttpsClient {
protected:
    QUrl transportUrl(const QUrl& url) const override
    {
        if (url.scheme() == QLatin1String("https") && url.host() == QLatin1String("127.0.0.1")) {
            QUrl plain = url;
            plain.setScheme(QStringLiteral("http"));
            return plain;
        }
        return HttpsClient::transportUrl(url);
    }
};
