#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Rendering/DeviceColors.h"
#include "RuvedovUzedoz/Rendering/ImageSupply.h"
#include "RuvedovUzedoz/Rendering/NumberDescription.h"

#include <algorithm>
#include <cmath>

namespace RuvedovUzedoz {

namespace {

bool positive(double value)
{
    return std::isfinite(value) && value > 0;
}

} // namespace

ContactSheetCell::ContactSheetCell(double width, double height, double fontSize, bool showsLabel,
                                   QString fontName, Color fontColor)
    : width(width), height(height), showsLabel(showsLabel), fontName(std::move(fontName)), fontSize(fontSize),
      fontColor(fontColor)
{
    const double labelHeight = showsLabel ? 1.5 * fontSize : 0;
    labelSize = QSizeF(width, labelHeight);
    imageSize = QSizeF(width, height - labelHeight);
    imageOffset = labelHeight;
}

bool ContactSheetCell::hasImageBox() const
{
    return positive(imageSize.width()) && positive(imageSize.height()) && std::isfinite(imageOffset);
}

std::optional<QRectF> ContactSheetCell::fittedRect(QSizeF size) const
{
    if (!hasImageBox() || !positive(size.width()) || !positive(size.height()))
        return std::nullopt;
    const double boxWidth = imageSize.width();
    const double boxHeight = imageSize.height();
    const double scale = std::min(boxWidth / size.width(), boxHeight / size.height());
    if (!positive(scale))
        return std::nullopt;
    return QRectF((boxWidth - size.width() * scale) * 0.5,
                  (boxHeight - size.height() * scale) * 0.5 + imageOffset, size.width() * scale,
                  size.height() * scale);
}

void ContactSheetCell::drawImage(const QUrl& url, GraphicsContext& context, ImageSupply* images,
                                 const ImageSettings& settings) const
{
    if (!hasImageBox())
        return;
    const ImageRequest request{url, imageSize};
    const std::optional<PreparedImage> image =
        images ? images->take(request, settings) : ImageSupply::prepare(request, settings);
    if (image)
        drawImage(*image, context);
}

void ContactSheetCell::drawImage(const PreparedImage& image, GraphicsContext& context) const
{
    // The picture is known by, and keeps the proportions of, its file's own size; the prepared raster,
    // whose sides were rounded when it was scaled, is stretched over that.
    const QSizeF size = image.sourceSize.isEmpty() ? QSizeF(image.uprightSize()) : QSizeF(image.sourceSize);
    const std::optional<QRectF> placed = fittedRect(size);
    if (!placed || !GraphicsContext::canDraw(image))
        return;
    const double scale = placed->width() / size.width();
    context.saveGState();
    if (context.translateBy(placed->x(), placed->y()) && context.scaleBy(scale, scale)) {
        KestrelExtensions::Log::system(QStringLiteral("Drawing image ") + sizeDescription(size) +
                                       QStringLiteral(" in box ") + sizeDescription(imageSize));
        context.beginTag(ContentTag::Figure);
        context.drawImage(image, QRectF(QPointF(0, 0), size));
        context.endTag();
    }
    context.restoreGState();
}

void ContactSheetCell::drawLabel(const QString& text, GraphicsContext& context) const
{
    if (!positive(labelSize.width()) || !positive(labelSize.height()) || !positive(fontSize))
        return;
    context.saveGState();
    context.beginTag(ContentTag::Label);
    context.drawText(text, labelBand(), TextStyle{fontName, fontSize, deviceColor(fontColor)});
    context.endTag();
    context.restoreGState();
}

} // namespace RuvedovUzedoz
