#include "KestrelUpdater/Channel/LoopbackHttp.h"
#include "UpdaterFixture.h"

bool TestSupport::loopbackHttpOn = true;

bool KestrelUpdater::loopbackHttpAllowed()
{
    return TestSupport::loopbackHttpOn;
}
