#include "LoopbackHttpSwitch.h"

#include "KestrelUpdater/Channel/LoopbackHttp.h"

namespace TestSupport {

bool loopbackHttpOn = true;

} // namespace TestSupport

namespace KestrelUpdater {

bool loopbackHttpAllowed()
{
    return TestSupport::loopbackHttpOn;
}

} // namespace KestrelUpdater
