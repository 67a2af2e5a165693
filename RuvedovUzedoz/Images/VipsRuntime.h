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

    // The text of the calling thread's last libvips failure, first line only, and clears it.
    static QString takeError();
};

} // namespace RuvedovUzedoz
