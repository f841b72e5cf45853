#include "Services/HttpsClient.h"

#include <QNetworkReply>
#include <QNetworkRequest>

HttpsClient::HttpsClient(QObject* parent)
    : QObject(parent)
{
}

QUrl HttpsClient::transportUrl(const QUrl& url) const
{
    if (!url.isValid() || url.host().isEmpty())
        return {};
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0)
        return {};
    return url;
}

bool HttpsClient::prepare(QNetworkRequest& request) const
{
    const QUrl target = transportUrl(request.url());
    if (!target.isValid())
        return false;
    request.setUrl(target);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    return true;
}

QNetworkReply* HttpsClient::get(QNetworkRequest request)
{
    if (!prepare(request))
        return nullptr;
    return m_network.get(request);
}

QNetworkReply* HttpsClient::post(QNetworkRequest request, const QByteArray& body)
{
    if (!prepare(request))
        return nullptr;
    return m_network.post(request, body);
}
