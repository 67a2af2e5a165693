#pragma once

#include <QUrl>

namespace KestrelUpdater {

// Opens a link that came from the update feed in the user's browser. Only https: links are opened;
// anything else (file:, relative, http:, custom schemes) is refused and logged. True when handed on.
bool openInBrowser(const QUrl& url);

} // namespace KestrelUpdater
