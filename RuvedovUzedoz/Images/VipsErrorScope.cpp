#include "VipsErrorScope.h"

#include <QReadWriteLock>

namespace RuvedovUzedoz {

namespace {

// Writers first: an exclusive scope that waits keeps new shared ones out, so it is never starved.
QReadWriteLock& bufferLock()
{
    static QReadWriteLock lock;
    return lock;
}

enum class Held { None, Shared, Exclusive };
thread_local Held held = Held::None;

void take(Held mode)
{
    if (mode == Held::Exclusive)
        bufferLock().lockForWrite();
    else
        bufferLock().lockForRead();
    held = mode;
}

void give()
{
    bufferLock().unlock();
    held = Held::None;
}

} // namespace

VipsErrorScope::VipsErrorScope(Mode mode)
{
    if (held != Held::None)
        return;
    take(mode == Mode::Exclusive ? Held::Exclusive : Held::Shared);
    m_outermost = true;
}

VipsErrorScope::~VipsErrorScope()
{
    if (m_outermost)
        give();
}

bool VipsErrorScope::isHeld()
{
    return held != Held::None;
}

VipsErrorScope::Pause::Pause()
{
    if (held != Held::Shared)
        return;
    give();
    m_paused = true;
}

VipsErrorScope::Pause::~Pause()
{
    if (m_paused)
        take(Held::Shared);
}

} // namespace RuvedovUzedoz
