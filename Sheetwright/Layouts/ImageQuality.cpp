#include "ImageQuality.h"

#include "KestrelExtensions/Localization/Localized.h"

namespace Sheetwright {

double rawValue(ImageQuality quality)
{
    switch (quality) {
    case ImageQuality::high:
        return 4096;
    case ImageQuality::medium:
        return 2048;
    case ImageQuality::low:
        return 1024;
    case ImageQuality::potato:
        return 512;
    }
    return 0;
}

std::optional<ImageQuality> imageQualityFromRawValue(double raw)
{
    for (ImageQuality quality : allImageQualities())
        if (rawValue(quality) == raw)
            return quality;
    return std::nullopt;
}

const std::array<ImageQuality, 4>& allImageQualities()
{
    static constexpr std::array<ImageQuality, 4> cases{ImageQuality::high, ImageQuality::medium,
                                                       ImageQuality::low, ImageQuality::potato};
    return cases;
}

QString label(ImageQuality quality)
{
    switch (quality) {
    case ImageQuality::high:
        return KestrelExtensions::localized("High");
    case ImageQuality::medium:
        return KestrelExtensions::localized("Medium");
    case ImageQuality::low:
        return KestrelExtensions::localized("Low");
    case ImageQuality::potato:
        return KestrelExtensions::localized("\U0001F954");
    }
    return {};
}

} // namespace Sheetwright
