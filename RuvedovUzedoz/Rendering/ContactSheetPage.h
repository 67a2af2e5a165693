#pragma once

#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

namespace RuvedovUzedoz {

class ImageSupply;

// One page of a contact sheet: its layout and its pictures in reading order (left to right, top to
// bottom). It draws the background, then each occupied cell: box, picture and label.
class ContactSheetPage : public PdfPage {
public:
    // Where one picture of the page goes: its position in `images` and the lower-left corner of its cell.
    struct CellPlacement {
        qsizetype imageIndex;
        QPointF origin;
    };

    // The media box starts at (margin, margin) and has the layout's size. `images` beyond
    // rows × columns are not drawn. Pictures come from `supply` when given, else are read on the spot.
    ContactSheetPage(const PageLayout& layout, QList<QUrl> images,
                     std::shared_ptr<ImageSupply> supply = nullptr);

    const PageLayout& layout() const { return m_layout; }
    const QList<QUrl>& images() const { return m_images; }

    // "page " and the zero-based index, or "unknown page" outside a document.
    QString pageLabel() const;

    void draw(PdfDisplayBox box, GraphicsContext& context) override;
    void drawBackground(GraphicsContext& context) const;
    void drawCells(const QList<QUrl>& images, GraphicsContext& context) const;

    // Cell size: (width − margin × (columns + 1)) / columns by (height − margin × (rows + 1)) / rows;
    // nullopt when the grid is empty or leaves no room for a cell.
    static std::optional<QSizeF> cellSize(const PageLayout& layout);
    // The cells of `imageCount` pictures in drawing order: rows from the bottom up, each left to right,
    // with the first picture in the top-left cell. Empty when no cell fits.
    static std::vector<CellPlacement> placements(const PageLayout& layout, qsizetype imageCount);
    // The pictures a page of `images` asks for, in drawing order, each with the box it is fitted into.
    static std::vector<ImageRequest> imageRequests(const PageLayout& layout, const QList<QUrl>& images);

private:
    PageLayout m_layout;
    QList<QUrl> m_images;
    std::shared_ptr<ImageSupply> m_supply;
    // The image settings while the compression filter is applied.
    mutable std::optional<ImageSettings> m_compression;
};

} // namespace RuvedovUzedoz
