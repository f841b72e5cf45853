#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QNetworkReply;
class QNetworkRequest;

// The one way the services reach the network: HTTPS only, no redirect to a less safe address,
// a few redirects at most. Main thread only.
class HttpsClient : public QObject {
    Q_OBJECT

public:
    explicit HttpsClient(QObject* parent = nullptr);

    // Null when the request's address is not one this client may reach. The caller owns the reply.
    QNetworkReply* get(QNetworkRequest request);
    QNetworkReply* post(QNetworkRequest request, const QByteArray& body);

    bool accepts(const QUrl& url) const { return transportUrl(url).isValid(); }

protected:
    // The address actually requested for `url`, or an invalid URL to refuse it. Only tests
    // override this, to serve loopback addresses over plain HTTP.
    virtual QUrl transportUrl(const QUrl& url) const;

private:
    bool prepare(QNetworkRequest& request) const;

    QNetworkAccessManager m_network;
};
