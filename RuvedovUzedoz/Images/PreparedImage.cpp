#include "PreparedImage.h"

namespace RuvedovUzedoz {

QSize PreparedImage::uprightSize() const
{
    // Orientations 5..8 turn the stored raster by a quarter turn.
    return orientation >= 5 && orientation <= 8 ? QSize(height, width) : QSize(width, height);
}

} // namespace RuvedovUzedoz
