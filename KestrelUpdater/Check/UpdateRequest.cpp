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
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(Updater::maximumRedirects);
    // Qt waits forever by default; a stalled server must end the check.
    request.setTransferTimeout(std::max(1, transferTimeoutMs));
    return request;
}

void guardRedirects(QNetworkReply* reply)
{
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& target) {
        if (isAllowedUpdateUrl(target))
            emit reply->redirectAllowed();
        else {
            reply->setProperty(refusedRedirectProperty, true);
            reply->abort();
        }
    });
}

QByteArray userAgent(const QString& version)
{
    const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Sheetwright")
                                                                       : QCoreApplication::applicationName();
    return (name + u'/' + (version.isEmpty() ? QStringLiteral("0") : version)).toUtf8();
}

} // namespace KestrelUpdater
