// Not called by the application: kept as a library service for other users.
#pragma once

#include "ObjectCache.h"
#include "PreparedImage.h"

namespace RuvedovUzedoz {

// Decoded, cairo-ready pictures by file URL, one cache per scale.
class CGImageCache : public ObjectCache<PreparedImage> {
public:
    // The process-wide cache for `scale`, made (and announced in the log) on first request.
    static CGImageCache& cache(double scale);
};

} // namespace RuvedovUzedoz
