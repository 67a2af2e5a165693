#include "RuvedovUzedoz/Rendering/RenderPool.h"

#include <QThreadPool>

namespace RuvedovUzedoz {

QThreadPool& renderPool()
{
    // Never destroyed: a render still running at exit must not be waited for by a static destructor.
    static QThreadPool* pool = [] {
        auto* threads = new QThreadPool;
        threads->setMaxThreadCount(2);
        return threads;
    }();
    return *pool;
}

} // namespace RuvedovUzedoz
