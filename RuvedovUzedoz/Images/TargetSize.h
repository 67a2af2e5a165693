#pragma once

#include "PreparedImage.h"

namespace RuvedovUzedoz {

// The longest side, in pixels, that a picture of `upright` pixels is stored at when compression is on,
// given the box (points) that it is fitted into:
//   start from the scale factor (1 when not positive);
//   no more pixels than `resolution` dpi at the drawn size;
//   no longer than `sizeMax`;
//   but not shorter than `sizeMin` (the smallest size wins over the largest);
//   never larger than the original.
// Zero, negative or non-finite settings mean "no limit". Returns at least 1 for a non-empty picture.
int targetLongestSide(QSize upright, QSizeF box, const ImageSettings& settings);

// round(quality × 100) clamped to 1..100.
int jpegQuality(double quality);

} // namespace RuvedovUzedoz
