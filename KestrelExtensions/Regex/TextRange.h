// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>
#include <QtGlobal>

namespace KestrelExtensions {

// A range of UTF-16 positions in a string. A location of `notFound` marks a group that did not take
// part in a match.
struct TextRange {
    static constexpr qsizetype notFound = -1;

    qsizetype location = notFound;
    qsizetype length = 0;

    bool isFound() const { return location != notFound; }
    qsizetype end() const { return location + length; }
    // True when the range lies inside a string of `size` UTF-16 units.
    bool fitsIn(qsizetype size) const { return location >= 0 && length >= 0 && location <= size - length; }
    bool operator==(const TextRange&) const = default;

    // The whole of `text`.
    static TextRange whole(const QString& text) { return TextRange{0, text.size()}; }
};

} // namespace KestrelExtensions
