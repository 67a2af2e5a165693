#pragma once

#include "PreparedImage.h"
#include "VipsImageHandle.h"

namespace RuvedovUzedoz {

// Turning decoded vips images into what the page drawing takes.
class VipsConversion {
public:
    // 8-bit sRGB (or 8-bit grey when `keepGrey`), bands beyond colour and alpha dropped; null on failure.
    static VipsImageHandle normalised(VipsImage* input, bool keepGrey);

    // Decodes the image into cairo pixels: RGB24, or premultiplied ARGB32 when it has alpha.
    // nullopt on failure, with the reason in `error`.
    static std::optional<PreparedImage> toCairoPixels(VipsImage* image, QString& error);
};

} // namespace RuvedovUzedoz
