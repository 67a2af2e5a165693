#include "Cancellation.h"

namespace RuvedovUzedoz {

namespace {

std::atomic_bool quitting = false;

} // namespace

void Cancellation::follow(QFuture<void> future)
{
    std::lock_guard lock(m_mutex);
    m_future = std::move(future);
    m_following = true;
}

bool Cancellation::isCancelled() const
{
    if (m_cancelled.load() || quitting.load())
        return true;
    std::lock_guard lock(m_mutex);
    return m_following && m_future.isCanceled();
}

void Cancellation::cancelAll()
{
    quitting.store(true);
}

bool Cancellation::allCancelled()
{
    return quitting.load();
}

} // namespace RuvedovUzedoz
