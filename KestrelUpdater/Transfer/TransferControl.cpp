#include "TransferControl.h"

namespace KestrelUpdater {

void TransferControl::cancel()
{
    m_cancelled = true;
    const std::lock_guard lock(m_mutex);
    if (m_multi)
        curl_multi_wakeup(m_multi);
}

void TransferControl::attach(CURLM* multi)
{
    const std::lock_guard lock(m_mutex);
    m_multi = multi;
}

void TransferControl::detach()
{
    const std::lock_guard lock(m_mutex);
    m_multi = nullptr;
}

} // namespace KestrelUpdater
