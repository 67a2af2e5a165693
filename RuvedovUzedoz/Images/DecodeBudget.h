#pragma once

#include <QtGlobal>

namespace RuvedovUzedoz {

// The decoded pictures that renders hold at once, in bytes, across the process: pictures prepared ahead
// of the drawing, and the one being drawn, take their share of it, so that a folder of small files that
// decode to huge rasters cannot exhaust memory. A picture that does not fit waits to be prepared until
// the drawing asks for it (see ImagePipeline). Thread-safe.
class DecodeBudget {
public:
    static constexpr qint64 defaultCapacity = qint64(512) << 20;
    static qint64 capacity();
    // For tests and measurements.
    static void setCapacity(qint64 bytes);

    // Takes `bytes` of the budget when they fit beside what is held, or whatever is held when `force`.
    static bool tryReserve(qint64 bytes, bool force);
    static void release(qint64 bytes);
    static qint64 held();
};

} // namespace RuvedovUzedoz
