// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>
#include <optional>

namespace KestrelExtensions {

// The first match of `pattern` (ICU syntax) in `string`: the text of the one capture group when the
// pattern has exactly one, else the whole match. Absent when the pattern cannot be built, nothing
// matches, or the single group did not take part.
std::optional<QString> firstMatch(const QString& string, const QString& pattern);

// True when `pattern` is found anywhere in `string`; false for a pattern that cannot be built.
bool matchesRegex(const QString& string, const QString& pattern);

} // namespace KestrelExtensions
