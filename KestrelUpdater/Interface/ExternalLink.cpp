#include "ExternalLink.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QDesktopServices>

namespace KestrelUpdater {

bool openInBrowser(const QUrl& url)
{
    if (!url.isValid() || url.isRelative() || url.scheme().compare(u"https", Qt::CaseInsensitive) != 0 ||
        url.host().isEmpty()) {
        KestrelExtensions::Log::system(
            QStringLiteral("Not opening a link from the update feed that is not https: %1")
                .arg(url.toString().left(200)));
        return false;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace KestrelUpdater
