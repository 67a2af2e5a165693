// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>
#include <optional>

namespace KestrelExtensions {

// `string` without any line feed (U+000A); carriage returns and other white space stay.
QString removingNewlines(const QString& string);

// `string` without white space at either end: space separators (general category Zs, which includes
// the no-break space) and tabs. Line breaks are not white space here and stay.
QString trimmed(const QString& string);

inline bool isNotEmpty(const QString& string)
{
    return !string.isEmpty();
}

inline QString orEmpty(const std::optional<QString>& string)
{
    return string.value_or(QString());
}

} // namespace KestrelExtensions
