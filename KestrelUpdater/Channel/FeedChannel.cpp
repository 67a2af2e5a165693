#include "FeedChannel.h"

#include "LoopbackHttp.h"

#include <QGuiApplication>
#include <QHostAddress>

namespace KestrelUpdater {

std::optional<QString> validApplicationId(const QString& id)
{
    if (id.isEmpty())
        return std::nullopt;
    for (const QChar c : id) {
        const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                             (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
        if (!allowed)
            return std::nullopt;
    }
    return id;
}

std::optional<QString> bundleIdentifier()
{
    return validApplicationId(QGuiApplication::desktopFileName());
}

QString feedStringFor(bool betas, const QUrl& base, const QString& applicationId)
{
    const auto id = validApplicationId(applicationId);
    // No base (a build without a configured feed) makes no feed either.
    if (!id || !base.isValid() || base.isRelative())
        return {};
    return base.toString() + *id + u'/' + QLatin1String(betas ? betasFolder : releasesFolder) +
           QStringLiteral("/appcast.xml");
}

QString channelFolder(const QUrl& feed)
{
    QStringList components = feed.path().split(u'/', Qt::SkipEmptyParts);
    if (components.size() < 2)
        return {};
    components.removeLast();
    return components.last();
}

bool isAllowedUpdateUrl(const QUrl& url, bool afterHttps)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https")
        return true;
    if (scheme != u"http" || afterHttps || !loopbackHttpAllowed())
        return false;
    if (url.host().compare(u"localhost", Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(url.host());
    return !address.isNull() && address.isLoopback();
}

} // namespace KestrelUpdater
