#include "DecodeSize.h"

#include "ImageReader.h"
#include "TargetSize.h"

#include <algorithm>
#include <cmath>

namespace RuvedovUzedoz {

namespace {

// The longest side that keeps a decoded picture within the memory and cairo limits.
int decodedLongestSide(QSize size)
{
    const double longest = std::max(size.width(), size.height());
    const double pixels = double(size.width()) * size.height();
    const double t = std::min({1.0, ImageReader::maximumDecodedSide / longest,
                               std::sqrt(double(ImageReader::maximumDecodedPixels) / pixels)});
    return std::max(1, int(std::floor(longest * t)));
}

} // namespace

int decodeLongestSide(QSize upright, QSizeF box, const ImageSettings& settings, bool vector)
{
    int longest = decodedLongestSide(upright);
    if (settings.compress) {
        longest = std::min(longest, targetLongestSide(upright, box, settings));
    } else if (vector) {
        ImageSettings shown = settings;
        shown.sizeMax = 0;
        shown.sizeMin = 0;
        longest = std::min(longest, targetLongestSide(upright, box, shown));
    }
    return longest;
}

std::optional<QString> oversizeReason(QSize upright)
{
    if (qint64(upright.width()) * upright.height() > ImageReader::maximumPixels) {
        return QStringLiteral("it is %1 × %2 pixels, more than the %3 allowed")
            .arg(upright.width())
            .arg(upright.height())
            .arg(ImageReader::maximumPixels);
    }
    return std::nullopt;
}

} // namespace RuvedovUzedoz
