#pragma once

#include "PreparedImage.h"
#include "VipsApi.h"

#include <QString>
#include <optional>

namespace RuvedovUzedoz {

// Lossless pictures as the PDF stores them: 8-bit grey or RGB rows, Flate-compressed.
class PixelDeflation {
public:
    // Reads `image` (opaque; sRGB, or grey when it is grey) strip by strip, compressing as it goes, so the
    // whole raster is never held uncompressed. nullopt on failure, with the reason in `error`.
    static std::optional<PreparedImage> deflate(VipsImage* image, QString& error);
};

} // namespace RuvedovUzedoz
