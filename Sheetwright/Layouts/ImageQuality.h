#pragma once

#include <QString>
#include <array>
#include <optional>

namespace Sheetwright {

// The largest image size the compression filter lets through (a page layout's `imageSizeMax`, not its
// compression `imageQuality`). Each step is half the one before.
enum class ImageQuality { high, medium, low, potato };

double rawValue(ImageQuality quality);
// Exact match only: 300 or 4095 is no quality.
std::optional<ImageQuality> imageQualityFromRawValue(double raw);
// Largest first.
const std::array<ImageQuality, 4>& allImageQualities();
// The localised label; the potato's key is the emoji itself.
QString label(ImageQuality quality);

} // namespace Sheetwright
