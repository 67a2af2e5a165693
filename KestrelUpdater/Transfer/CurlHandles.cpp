#include "CurlHandles.h"

#include <mutex>

namespace KestrelUpdater {

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace KestrelUpdater
