#include "CGImageCache.h"

#include "ScaleTable.h"

namespace RuvedovUzedoz {

CGImageCache& CGImageCache::cache(double scale)
{
    static ScaleTable<CGImageCache> table(QStringLiteral("CGImageCache"));
    return table.cache(scale);
}

} // namespace RuvedovUzedoz
