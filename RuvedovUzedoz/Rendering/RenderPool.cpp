#include "RuvedovUzedoz/Rendering/RenderPool.h"

#include "RuvedovUzedoz/Images/Cancellation.h"
#include "RuvedovUzedoz/Images/ImagePool.h"

#include <QDeadlineTimer>
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

bool stopAllRenders(std::chrono::milliseconds wait)
{
    Cancellation::cancelAll();
    const QDeadlineTimer deadline(wait);
    return renderPool().waitForDone(int(deadline.remainingTime())) &&
           imagePool().waitForDone(int(deadline.remainingTime()));
}

} // namespace RuvedovUzedoz
