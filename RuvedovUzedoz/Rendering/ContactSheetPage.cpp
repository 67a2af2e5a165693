#include "RuvedovUzedoz/Rendering/ContactSheetPage.h"

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Rendering/CompressionSettings.h"
#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"
#include "RuvedovUzedoz/Rendering/DeviceColors.h"
#include "RuvedovUzedoz/Rendering/ProgressByDocument.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"

#include <cmath>

namespace RuvedovUzedoz {

namespace {

ContactSheetCell cellFor(const PageLayout& layout, QSizeF size)
{
    return ContactSheetCell(size.width(), size.height(), layout.fontSize, layout.showsLabel, layout.fontName,
                            layout.fontColor);
}

} // namespace

ContactSheetPage::ContactSheetPage(const PageLayout& layout, QList<QUrl> images,
                                   std::shared_ptr<ImageSupply> supply)
    : m_layout(layout), m_images(std::move(images)), m_supply(std::move(supply))
{
    setMediaBox(QRectF(layout.margin, layout.margin, layout.width, layout.height));
}

QString ContactSheetPage::pageLabel() const
{
    const qsizetype position = index();
    return position < 0 ? QStringLiteral("unknown page")
                        : QStringLiteral("page ") + QString::number(position);
}

void ContactSheetPage::draw(PdfDisplayBox box, GraphicsContext& context)
{
    PdfPage::draw(box, context);
    KestrelExtensions::Log::system(QStringLiteral("Drawing ") + pageLabel());
    const QVariantMap filter = m_layout.quartzFilter();
    context.saveGState();
    // The filter's effect is on the pictures: while it is applied they are prepared with its settings.
    if (m_layout.enableQuartz)
        m_compression = compressionSettings(filter);
    if (m_layout.drawsBackground)
        drawBackground(context);
    drawCells(m_images, context);
    if (m_layout.enableQuartz)
        m_compression.reset();
    context.restoreGState();
    postProgress(*this);
}

void ContactSheetPage::drawBackground(GraphicsContext& context) const
{
    const Color& color = m_layout.backgroundColor;
    if (color == Color::white() || color.alphaF() == 0)
        return;
    KestrelExtensions::Log::system(QStringLiteral("Adding background to ") + pageLabel());
    context.setFillColor(deviceColor(color));
    context.fill(QRectF(0, 0, m_layout.width, m_layout.height));
}

void ContactSheetPage::drawCells(const QList<QUrl>& images, GraphicsContext& context) const
{
    const std::optional<QSizeF> size = cellSize(m_layout);
    if (!size)
        return;
    const ContactSheetCell cell = cellFor(m_layout, *size);
    ImageSettings settings = m_compression.value_or(ImageSettings{});
    settings.compress = m_compression.has_value();
    for (const CellPlacement& placement : placements(m_layout, images.size())) {
        const QUrl& url = images[placement.imageIndex];
        context.saveGState();
        context.translateBy(placement.origin.x(), placement.origin.y());
        if (m_layout.drawsBoundingBox) {
            context.setStrokeColor(deviceColor(cell.boxColor));
            context.stroke(QRectF(0, 0, cell.width, cell.height));
        }
        if (m_layout.drawsImages)
            cell.drawImage(url, context, m_supply.get(), settings);
        if (m_layout.showsLabel)
            cell.drawLabel(LocalPath::displayName(url), context);
        context.restoreGState();
    }
}

std::optional<QSizeF> ContactSheetPage::cellSize(const PageLayout& layout)
{
    if (layout.rows < 1 || layout.columns < 1)
        return std::nullopt;
    const double m = layout.margin;
    const double width = (layout.width - m * (layout.doubleColumns() + 1)) / layout.doubleColumns();
    const double height = (layout.height - m * (layout.doubleRows() + 1)) / layout.doubleRows();
    if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0)
        return std::nullopt;
    return QSizeF(width, height);
}

std::vector<ContactSheetPage::CellPlacement> ContactSheetPage::placements(const PageLayout& layout,
                                                                          qsizetype imageCount)
{
    std::vector<CellPlacement> result;
    const std::optional<QSizeF> size = cellSize(layout);
    if (!size || imageCount <= 0)
        return result;
    const qint64 rows = layout.rows;
    const qint64 columns = layout.columns;
    // Pictures beyond the grid are not drawn; rows of the grid that hold none draw nothing.
    const qint64 count =
        std::min<qint64>(imageCount, rows > INT64_MAX / columns ? INT64_MAX : rows * columns);
    const double m = layout.margin;
    const qint64 lastReadingRow = (count - 1) / columns;
    for (qint64 readingRow = lastReadingRow; readingRow >= 0; --readingRow) {
        const qint64 r = rows - 1 - readingRow; // counted from the bottom
        for (qint64 c = 0; c < columns; ++c) {
            const qint64 index = readingRow * columns + c;
            if (index >= count)
                break;
            result.push_back({qsizetype(index), QPointF(size->width() * double(c) + double(c + 1) * m,
                                                        size->height() * double(r) + double(r + 1) * m)});
        }
    }
    return result;
}

std::vector<ImageRequest> ContactSheetPage::imageRequests(const PageLayout& layout, const QList<QUrl>& images)
{
    std::vector<ImageRequest> requests;
    const std::optional<QSizeF> size = cellSize(layout);
    if (!size || !layout.drawsImages)
        return requests;
    const ContactSheetCell cell = cellFor(layout, *size);
    if (!cell.hasImageBox())
        return requests;
    for (const CellPlacement& placement : placements(layout, images.size()))
        requests.push_back({images[placement.imageIndex], cell.imageSize});
    return requests;
}

} // namespace RuvedovUzedoz
