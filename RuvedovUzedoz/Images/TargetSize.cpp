#include "TargetSize.h"

#include <algorithm>
#include <cmath>

namespace RuvedovUzedoz {

namespace {

bool isLimit(double value)
{
    return std::isfinite(value) && value > 0;
}

} // namespace

int targetLongestSide(QSize upright, QSizeF box, const ImageSettings& settings)
{
    const double w = upright.width();
    const double h = upright.height();
    if (w <= 0 || h <= 0) {
        return 0;
    }
    const double longest = std::max(w, h);
    double t = isLimit(settings.scaleFactor) ? settings.scaleFactor : 1.0;
    if (isLimit(settings.resolution) && isLimit(box.width()) && isLimit(box.height())) {
        const double fit = std::min(box.width() / w, box.height() / h);
        t = std::min(t, fit * settings.resolution / 72.0);
    }
    if (isLimit(settings.sizeMax)) {
        t = std::min(t, settings.sizeMax / longest);
    }
    if (isLimit(settings.sizeMin) && longest * t < settings.sizeMin) {
        t = std::min(1.0, settings.sizeMin / longest);
    }
    t = std::min(t, 1.0);
    return int(std::max(1.0, std::round(longest * t)));
}

int jpegQuality(double quality)
{
    if (!std::isfinite(quality)) {
        return 100;
    }
    return int(std::clamp(std::lround(std::clamp(quality, -1.0, 2.0) * 100), 1L, 100L));
}

} // namespace RuvedovUzedoz
