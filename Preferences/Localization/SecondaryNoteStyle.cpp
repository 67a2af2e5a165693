#include "SecondaryNoteStyle.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace Preferences {

void secondaryNoteStyle(QWidget* widget)
{
    if (!widget)
        return;
    QFont font = QApplication::font();
    // The interface font stands for the 13-point system font; notes are 11 points of it.
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * 11.0 / 13.0)));
    font.setWeight(QFont::Normal);
    widget->setFont(font);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    palette.setColor(QPalette::Text, palette.color(QPalette::PlaceholderText));
    widget->setPalette(palette);
}

} // namespace Preferences
