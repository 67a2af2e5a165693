#include "UpdateRequest.h"

#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Updater.h"

#include <QCoreApplication>
#include <QNetworkReply>

namespace KestrelUpdater {

QNetworkRequest updateRequest(const QUrl& url, int transferTimeoutMs, const QByteArray& accept)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", accept);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Redirects are followed by hand, so that each target is checked before any traffic goes to it.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Qt waits forever by default; a stalled server must end the check.
    request.setTransferTimeout(std::max(1, transferTimeoutMs));
    return request;
}

void discardReply(QNetworkReply* reply)
{
    if (!reply)
        return;
    reply->disconnect();
    reply->abort();
    reply->deleteLater();
}

std::optional<QUrl> redirectTarget(const QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return std::nullopt;
    const QByteArray location = reply.rawHeader("Location");
    if (location.isEmpty())
        return std::nullopt;
    return reply.url().resolved(QUrl::fromEncoded(location.trimmed()));
}

QByteArray userAgent(const QString& version)
{
    const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Sheetwright")
                                                                       : QCoreApplication::applicationName();
    return (name + u'/' + (version.isEmpty() ? QStringLiteral("0") : version)).toUtf8();
}

} // namespace KestrelUpdater
