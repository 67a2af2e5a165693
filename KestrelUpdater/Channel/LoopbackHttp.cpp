#include "LoopbackHttp.h"

namespace KestrelUpdater {

bool loopbackHttpAllowed()
{
    return false;
}

} // namespace KestrelUpdater
