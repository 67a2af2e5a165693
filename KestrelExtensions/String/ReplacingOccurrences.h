// Not called by the application: kept as a library service for other users.
#pragma once

#include "KestrelExtensions/Regex/TextRange.h"
#include "StringReplacementError.h"

#include <QFlags>
#include <QList>
#include <QString>
#include <optional>

namespace KestrelExtensions {

enum class StringCompareOption {
    CaseInsensitive = 1 << 0,
    // Compare UTF-16 units exactly; the default already does.
    Literal = 1 << 1,
    // Only an occurrence at the start of the range (or its end, with Backwards).
    Anchored = 1 << 2,
    Backwards = 1 << 3,
    // The target is an ICU pattern and the replacement a template ($1, ${name}).
    RegularExpression = 1 << 4,
};
Q_DECLARE_FLAGS(StringCompareOptions, StringCompareOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(StringCompareOptions)

// `string` with every occurrence of `target` inside `range` (the whole string when absent) replaced.
// A range that does not fit the string throws std::out_of_range.
QString replacingOccurrences(const QString& string, const QString& target, const QString& replacement,
                             StringCompareOptions options = {},
                             std::optional<TextRange> range = std::nullopt);

// Each element with the occurrences of `target` replaced by the replacement of the same position.
// Throws StringReplacementError when there are fewer replacements than elements, and
// std::out_of_range when `range` does not fit every element; either way before replacing anything.
// Replacements beyond the element count are not used.
QList<QString> replacingOccurrences(const QList<QString>& elements, const QString& target,
                                    const QList<QString>& replacements, StringCompareOptions options = {},
                                    std::optional<TextRange> range = std::nullopt);

} // namespace KestrelExtensions
