#include "CIImageCache.h"

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "ScaleTable.h"

namespace RuvedovUzedoz {

CIImageCache& CIImageCache::cache(double scale)
{
    static ScaleTable<CIImageCache> table(QStringLiteral("CIImageCache"));
    return table.cache(scale);
}

std::optional<LazyImage> CIImageCache::image(const QUrl& url)
{
    if (auto cached = cache(1).object(url)) {
        return cached;
    }
    KestrelExtensions::Log::system(QStringLiteral("Reading %1 from disk").arg(LocalPath::displayName(url)));
    return LazyImage::read(url);
}

std::optional<LazyImage> CIImageCache::image(const QUrl& url, double scale)
{
    if (auto cached = cache(scale).object(url)) {
        return cached;
    }
    auto full = image(url);
    if (!full || scale == 1) {
        return full;
    }
    return full->scaled(scale);
}

} // namespace RuvedovUzedoz
