#pragma once

#include <QString>

namespace Sheetwright::Plurals {

// The "Plurals" string table: counted lines with the English plural rule for each number. A key the
// table does not hold reads as the key with its numbers filled in, printf style.
QString localized(const char* key, qint64 first, qint64 second);
QString localized(const char* key, double first, double second);

} // namespace Sheetwright::Plurals
