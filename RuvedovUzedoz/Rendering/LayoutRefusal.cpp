#include "RuvedovUzedoz/Rendering/LayoutRefusal.h"

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"
#include "RuvedovUzedoz/Rendering/ContactSheetPage.h"
#include "RuvedovUzedoz/Rendering/NumberDescription.h"

#include <cmath>

namespace RuvedovUzedoz {

std::optional<LayoutRefusal> LayoutRefusal::of(const PageLayout& layout)
{
    if (!layout.cellsPerPage())
        return LayoutRefusal{Kind::Grid,
                             QStringLiteral("Grid of %1 × %2 cells cannot be rendered, skipping render")
                                 .arg(layout.rows)
                                 .arg(layout.columns)};
    if (!PageLayout::isRenderableSide(layout.width) || !PageLayout::isRenderableSide(layout.height))
        return LayoutRefusal{Kind::PageSize, QStringLiteral("Page size ") + doubleDescription(layout.width) +
                                                 QStringLiteral(" × ") + doubleDescription(layout.height) +
                                                 QStringLiteral(" cannot be rendered, skipping render")};
    const std::optional<QSizeF> cell = ContactSheetPage::cellSize(layout);
    if (!cell) {
        // The margin alone may leave room on the page; then it is the number of cells that does not fit.
        const double m = layout.margin;
        if (std::isfinite(m) && layout.width - 2 * m > 0 && layout.height - 2 * m > 0)
            return LayoutRefusal{
                Kind::GridDoesNotFit,
                QStringLiteral("Grid of %1 × %2 cells does not fit on the page, skipping render")
                    .arg(layout.rows)
                    .arg(layout.columns)};
        return LayoutRefusal{Kind::Margin, QStringLiteral("Margin ") + doubleDescription(layout.margin) +
                                               QStringLiteral(" leaves no room for cells, skipping render")};
    }
    if (layout.drawsImages && layout.showsLabel) {
        const ContactSheetCell drawn(cell->width(), cell->height(), layout.fontSize, true, QString(),
                                     Color());
        const double pictureHeight = drawn.imageSize.height();
        if (!drawn.hasImageBox() || !(pictureHeight >= cell->height() * minimumPictureShare))
            return LayoutRefusal{Kind::Labels,
                                 QStringLiteral("Font size ") + doubleDescription(layout.fontSize) +
                                     QStringLiteral(" leaves no room for pictures, skipping render")};
    }
    return std::nullopt;
}

} // namespace RuvedovUzedoz
