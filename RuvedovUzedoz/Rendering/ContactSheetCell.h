#pragma once

#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Layouts/Color.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <optional>

namespace RuvedovUzedoz {

class GraphicsContext;
class ImageSupply;

// One cell of a page, in its own coordinates (origin at the cell's lower-left corner): the label band
// (0, 0, width, labelHeight) at the bottom and the image box above it; labelHeight is 1.5 × fontSize
// with labels on, else 0.
struct ContactSheetCell {
    double width = 0;
    double height = 0;
    bool showsLabel = true;
    QString fontName;
    double fontSize = 12;
    Color fontColor;
    QSizeF labelSize;
    QSizeF imageSize;
    double imageOffset = 0;
    Color boxColor = Color::rgb(0.5, 0.5, 0.5, 1);

    ContactSheetCell(double width, double height, double fontSize, bool showsLabel, QString fontName,
                     Color fontColor);

    QRectF labelBand() const { return {QPointF(0, 0), labelSize}; }
    // Whether a picture can be fitted into the image box at all.
    bool hasImageBox() const;

    // Where a picture of `size` lands in the image box: fitted whole (small pictures are enlarged),
    // touching the box on one axis and centred on the other. nullopt when nothing can be drawn.
    std::optional<QRectF> fittedRect(QSizeF size) const;

    // Draws the picture of `url` into the image box as a figure; an unreadable file leaves it empty.
    void drawImage(const QUrl& url, GraphicsContext& context, ImageSupply* images,
                   const ImageSettings& settings) const;
    void drawImage(const PreparedImage& image, GraphicsContext& context) const;
    // Sets `text` in the label band as a label: centred, shortened in the middle when too wide.
    void drawLabel(const QString& text, GraphicsContext& context) const;
};

} // namespace RuvedovUzedoz
