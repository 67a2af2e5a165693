// Not called by the application: kept as a library service for other users.
#pragma once

#include "UserDefaults.h"

#include <QUrl>
#include <optional>

namespace KestrelExtensions {

// Remembers a file's location under `key`, as the canonical absolute path of the file (symbolic links
// resolved). No URL, a URL that is not a local file, or a file that does not exist stores nothing:
// the key's value is removed.
void storeBookmark(UserDefaults& defaults, const std::optional<QUrl>& url, const QString& key);

// The remembered file, or absent when nothing is stored under `key` or the file is no longer there.
std::optional<QUrl> restoreBookmark(const UserDefaults& defaults, const QString& key);

} // namespace KestrelExtensions
