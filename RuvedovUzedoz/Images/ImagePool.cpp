#include "ImagePool.h"

#include <QThreadPool>

namespace RuvedovUzedoz {

QThreadPool& imagePool()
{
    // A pool holds one thread per core by default; being a static, it waits for its work at exit.
    static QThreadPool pool;
    return pool;
}

} // namespace RuvedovUzedoz
