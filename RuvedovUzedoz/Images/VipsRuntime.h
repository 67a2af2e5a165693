#pragma once

#include <QString>

namespace RuvedovUzedoz {

// libvips set up the way the engine uses it: one thread per image (the engine runs images in parallel
// instead), no operation cache, so an edited file is always read afresh, and no loaders but those of
// JPEG, PNG, WebP, TIFF and GIF.
class VipsRuntime {
public:
    // Starts libvips once per process; safe to call from any thread, any number of times.
    static bool ensureStarted();

    // The first line of libvips' error buffer, and clears it. The buffer is the whole process's: only
    // inside an exclusive VipsErrorScope is what it holds this thread's own.
    static QString takeError();
};

} // namespace RuvedovUzedoz
