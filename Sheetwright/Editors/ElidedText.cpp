#include "ElidedText.h"

#include <QFontMetrics>
#include <algorithm>

namespace Sheetwright {

namespace {
// More characters than any control shows; measuring a megabyte of text would take seconds.
constexpr qsizetype longestMeasured = 512;
} // namespace

QString elidedForDisplay(const QString& text, const QFontMetrics& metrics, int width)
{
    QString shown = text;
    if (shown.size() > longestMeasured) {
        qsizetype cut = longestMeasured;
        if (shown.at(cut - 1).isHighSurrogate())
            --cut; // never half a character
        shown.truncate(cut);
        shown.append(QChar(0x2026)); // already too long: the ellipsis stays whatever the width
    }
    // A line break would make the text taller than one line of the control.
    for (QChar& c : shown)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    width = std::max(width, 0);
    // Sizes are taken from a text's bounding box, which can reach past its advance by a pixel or two.
    for (int room = width; room > 0; --room) {
        const QString elided = metrics.elidedText(shown, Qt::ElideRight, room);
        if (metrics.boundingRect(elided).width() <= width)
            return elided;
        room -= metrics.boundingRect(elided).width() - width;
    }
    return QString();
}

} // namespace Sheetwright
