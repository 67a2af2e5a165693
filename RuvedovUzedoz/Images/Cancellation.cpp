#include "Cancellation.h"

namespace RuvedovUzedoz {

namespace {

std::atomic_bool quitting = false;

} // namespace

bool Cancellation::isCancelled() const
{
    if (m_cancelled.load() || quitting.load() || (m_parent && m_parent->isCancelled()))
        return true;
    std::lock_guard lock(m_mutex);
    return m_followed && m_followed();
}

void Cancellation::cancelAll()
{
    quitting.store(true);
}

void Cancellation::resumeAll()
{
    quitting.store(false);
}

bool Cancellation::allCancelled()
{
    return quitting.load();
}

} // namespace RuvedovUzedoz
