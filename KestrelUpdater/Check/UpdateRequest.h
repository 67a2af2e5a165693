#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <optional>

class QNetworkReply;

namespace KestrelUpdater {

// A request of the updater: fresh from the network, a bounded transfer time, redirects left to the caller.
QNetworkRequest updateRequest(const QUrl& url, int transferTimeoutMs, const QByteArray& accept);

// Where a redirect answer points (resolved against the reply's URL), or none for any other answer.
std::optional<QUrl> redirectTarget(const QNetworkReply& reply);

// The user agent: "<application name>/<version>".
QByteArray userAgent(const QString& version);

} // namespace KestrelUpdater
