#include "DecodeBudget.h"

#include "Cancellation.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace RuvedovUzedoz {

namespace {

std::mutex mutex;
qint64 heldBytes = 0;
qint64 decodingBytes = 0;
qint64 capacityBytes = DecodeBudget::defaultCapacity;
qint64 peakBytes = 0;

bool fits(qint64 bytes)
{
    return heldBytes + decodingBytes + bytes <= capacityBytes;
}

void notePeak()
{
    peakBytes = std::max(peakBytes, heldBytes + decodingBytes);
}

} // namespace

qint64 DecodeBudget::capacity()
{
    std::lock_guard lock(mutex);
    return capacityBytes;
}

void DecodeBudget::setCapacity(qint64 bytes)
{
    std::lock_guard lock(mutex);
    capacityBytes = bytes;
    peakBytes = heldBytes + decodingBytes;
}

qint64 DecodeBudget::peak()
{
    std::lock_guard lock(mutex);
    return peakBytes;
}

bool DecodeBudget::tryStartDecode(qint64 bytes)
{
    std::lock_guard lock(mutex);
    if (!fits(bytes))
        return false;
    decodingBytes += bytes;
    notePeak();
    return true;
}

bool DecodeBudget::startDecodeFirst(qint64 bytes, const Cancellation* cancellation)
{
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (fits(bytes) || decodingBytes == 0) {
                decodingBytes += bytes;
                notePeak();
                return true;
            }
        }
        if (cancellation && cancellation->isCancelled())
            return false;
        // Decodes under way end on their own; this waits for them only.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void DecodeBudget::endDecode(qint64 bytes)
{
    std::lock_guard lock(mutex);
    decodingBytes -= bytes;
}

void DecodeBudget::hold(qint64 bytes)
{
    std::lock_guard lock(mutex);
    heldBytes += bytes;
    notePeak();
}

void DecodeBudget::release(qint64 bytes)
{
    std::lock_guard lock(mutex);
    heldBytes -= bytes;
}

qint64 DecodeBudget::held()
{
    std::lock_guard lock(mutex);
    return heldBytes + decodingBytes;
}

} // namespace RuvedovUzedoz
