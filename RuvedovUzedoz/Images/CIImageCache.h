// Not called by the application: kept as a library service for other users.
#pragma once

#include "LazyImage.h"
#include "ObjectCache.h"

namespace RuvedovUzedoz {

// Lazily decoded pictures by file URL, one cache per scale. The lookups read from disk on a miss and never
// store what they read: entries are only those a user of a cache puts there.
class CIImageCache : public ObjectCache<LazyImage> {
public:
    // The process-wide cache for `scale`, made (and announced in the log) on first request.
    static CIImageCache& cache(double scale);

    // The picture at full size: the scale-1 entry, or the file read afresh.
    static std::optional<LazyImage> image(const QUrl& url);
    // The picture at `scale`: that scale's entry, or the full-size picture scaled down.
    static std::optional<LazyImage> image(const QUrl& url, double scale);
};

} // namespace RuvedovUzedoz
