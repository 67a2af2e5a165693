#include "DecodeBudget.h"

#include <atomic>

namespace RuvedovUzedoz {

namespace {

std::atomic<qint64> heldBytes = 0;
std::atomic<qint64> capacityBytes = DecodeBudget::defaultCapacity;

} // namespace

bool DecodeBudget::tryReserve(qint64 bytes, bool force)
{
    qint64 now = heldBytes.load();
    do {
        if (!force && now + bytes > capacityBytes.load())
            return false;
    } while (!heldBytes.compare_exchange_weak(now, now + bytes));
    return true;
}

void DecodeBudget::release(qint64 bytes)
{
    heldBytes.fetch_sub(bytes);
}

qint64 DecodeBudget::held()
{
    return heldBytes.load();
}

} // namespace RuvedovUzedoz

namespace RuvedovUzedoz {

qint64 DecodeBudget::capacity()
{
    return capacityBytes.load();
}

void DecodeBudget::setCapacity(qint64 bytes)
{
    capacityBytes.store(bytes);
}

} // namespace RuvedovUzedoz
