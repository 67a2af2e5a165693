#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace KestrelUpdater {

// The update feed of an application: base + application id + "/" + channel + "/appcast.xml", the channel
// being "betas" or "releases". The channel is nothing but that folder of the feed URL.

inline constexpr auto betasFolder = "betas";
inline constexpr auto releasesFolder = "releases";

// The application id as it may stand in a feed path: letters, digits, '-' and '.'; anything else (or an
// empty id) counts as no id, so a feed made from it is always a valid URL.
std::optional<QString> validApplicationId(const QString& id);

// The running application's id (its desktop file name), or none.
std::optional<QString> bundleIdentifier();

// The feed string of a channel; empty when there is no valid application id or no base.
QString feedStringFor(bool betas, const QUrl& base, const QString& applicationId);

// The folder that holds the appcast: the path's last component once the file name is dropped. Empty
// components do not count, so a trailing slash is no component.
QString channelFolder(const QUrl& feed);

// Only HTTPS may carry feeds and downloads. Plain HTTP to this machine (loopback) only where
// loopbackHttpAllowed() says so, and never once a transfer has gone over HTTPS (`afterHttps`): a
// redirect must not step down to plain text.
bool isAllowedUpdateUrl(const QUrl& url, bool afterHttps = false);

} // namespace KestrelUpdater
