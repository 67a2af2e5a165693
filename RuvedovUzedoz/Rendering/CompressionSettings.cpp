#include "RuvedovUzedoz/Rendering/CompressionSettings.h"

namespace RuvedovUzedoz {

namespace {

std::optional<double> number(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    bool ok = false;
    const double result = value.toDouble(&ok);
    if (!value.isValid() || !ok || value.typeId() == QMetaType::QString || value.typeId() == QMetaType::Bool)
        return std::nullopt;
    return result;
}

} // namespace

std::optional<ImageSettings> compressionSettings(const QVariantMap& filter)
{
    const QVariantMap imageSettings = filter.value(QStringLiteral("FilterData"))
                                          .toMap()
                                          .value(QStringLiteral("ColorSettings"))
                                          .toMap()
                                          .value(QStringLiteral("ImageSettings"))
                                          .toMap();
    const QVariantMap scale = imageSettings.value(QStringLiteral("ImageScaleSettings")).toMap();
    const auto quality = number(imageSettings, QStringLiteral("Compression Quality"));
    const auto resolution = number(scale, QStringLiteral("ImageResolution"));
    const auto factor = number(scale, QStringLiteral("ImageScaleFactor"));
    const auto sizeMax = number(scale, QStringLiteral("ImageSizeMax"));
    const auto sizeMin = number(scale, QStringLiteral("ImageSizeMin"));
    if (!quality || !resolution || !factor || !sizeMax || !sizeMin)
        return std::nullopt;
    ImageSettings settings;
    settings.compress = true;
    settings.quality = *quality;
    settings.resolution = *resolution;
    settings.scaleFactor = *factor;
    settings.sizeMax = *sizeMax;
    settings.sizeMin = *sizeMin;
    return settings;
}

ImageSettings imageSettings(const PageLayout& layout)
{
    ImageSettings unfiltered;
    unfiltered.compress = false;
    if (!layout.enableQuartz)
        return unfiltered;
    return compressionSettings(layout.quartzFilter()).value_or(unfiltered);
}

} // namespace RuvedovUzedoz
