#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

class QNetworkReply;

namespace KestrelUpdater {

// A request of the updater: fresh from the network, a bounded transfer time, at most a few redirects.
QNetworkRequest updateRequest(const QUrl& url, int transferTimeoutMs, const QByteArray& accept);

// Set on a reply that was stopped because it redirected to an address the updater may not use.
inline constexpr auto refusedRedirectProperty = "kestrelRefusedRedirect";

// Lets the reply follow a redirect only to an address the updater may use (HTTPS, or loopback HTTP).
void guardRedirects(QNetworkReply* reply);

// The user agent: "<application name>/<version>".
QByteArray userAgent(const QString& version);

} // namespace KestrelUpdater
