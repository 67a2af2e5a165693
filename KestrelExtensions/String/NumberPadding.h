// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>

namespace KestrelExtensions {

// `string` with every run of decimal digits (any script's) shorter than `width` characters lengthened
// on its left by `pad`, repeated once per missing character. Longer runs stay whole; a width of 0 or
// less changes nothing. "img7_page12" to width 3 with "0" → "img007_page012". A width past
// `maximumPaddingWidth` throws std::invalid_argument, as an integer format's width does: it only serves
// to exhaust memory.
constexpr qsizetype maximumPaddingWidth = 1024;

QString paddingNumbers(const QString& string, qsizetype width, const QString& pad);

// In place.
void padNumbers(QString& string, qsizetype width, const QString& pad);

} // namespace KestrelExtensions
