#include "LoopbackHttp.h"

namespace KestrelUpdater {

bool loopbackHttpAllowed()
{
    return false;
}

QByteArray loopbackCertificateAuthorities()
{
    return {};
}

} // namespace KestrelUpdater
