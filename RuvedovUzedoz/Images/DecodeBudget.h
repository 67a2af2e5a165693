#pragma once

#include <QtGlobal>

namespace RuvedovUzedoz {

class Cancellation;

// The decoded pictures that renders hold at once, in bytes, across the process: pictures being decoded,
// those prepared ahead of the drawing and the one being drawn take their share of it, so that a folder
// of small files that decode to huge rasters cannot exhaust memory. A picture that does not fit is
// prepared only when the drawing asks for it (see ImagePipeline); that one goes over the budget if it
// must, but never decodes beside another decode that does not fit. Thread-safe.
class DecodeBudget {
public:
    static constexpr qint64 defaultCapacity = qint64(512) << 20;
    static qint64 capacity();
    // For tests and measurements; setting the capacity also starts a new peak.
    static void setCapacity(qint64 bytes);
    static qint64 peak(); // the most held and being decoded at once

    // Starts a decode of `bytes` when it fits beside what is held and decoded.
    static bool tryStartDecode(qint64 bytes);
    // Starts the decode that the drawing waits for: when it fits, or else as soon as no other decode
    // runs (those end by themselves). False when `cancellation` reads cancelled first.
    static bool startDecodeFirst(qint64 bytes, const Cancellation* cancellation);
    static void endDecode(qint64 bytes);

    // A prepared picture's pixels, held whatever the budget (they are made) until released.
    static void hold(qint64 bytes);
    static void release(qint64 bytes);

    // Everything held and being decoded.
    static qint64 held();
};

} // namespace RuvedovUzedoz
