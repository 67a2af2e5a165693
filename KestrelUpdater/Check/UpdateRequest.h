#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <optional>

class QNetworkReply;

namespace KestrelUpdater {

// What a reply may hold unread: the network stops reading from the server beyond it, so a body that
// nobody reads (a redirect's, say) cannot fill memory.
inline constexpr qint64 replyBufferSize = 64 * 1024;

// A request of the updater: fresh from the network, a bounded transfer time, redirects left to the caller.
QNetworkRequest updateRequest(const QUrl& url, int transferTimeoutMs, const QByteArray& accept);

// Stops a reply for good: no signal of it reaches anyone any more, and it is deleted later.
void discardReply(QNetworkReply* reply);

// Where a redirect answer points (resolved against the reply's URL), or none for any other answer.
std::optional<QUrl> redirectTarget(const QNetworkReply& reply);

// The user agent: "<application name>/<version>".
QByteArray userAgent(const QString& version);

} // namespace KestrelUpdater
