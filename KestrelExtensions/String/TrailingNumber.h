// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>

namespace KestrelExtensions {

// The name of the next copy: the number after `separator` at the end of `string` stepped by `step`, or
// `defaultNumber` appended after `separator` when there is none. `separator` is read as part of an ICU
// pattern (separator + "\d+$"), so pattern characters keep their meaning. A trailing number that does
// not fit 64 bits, or whose step would overflow, counts as no number: the default is appended.
// `format` is a printf-style integer format (see IntegerFormat); an invalid one throws
// std::invalid_argument. "Layout 3" → "Layout 4", "Layout" → "Layout 1".
QString incrementingTrailingNumber(const QString& string, qint64 defaultNumber = 1, qint64 step = 1,
                                   const QString& format = QStringLiteral("%d"),
                                   const QString& separator = QStringLiteral(" "));

// In place: replaces `string` with the result above.
void incrementTrailingNumber(QString& string, qint64 defaultNumber = 1, qint64 step = 1,
                             const QString& format = QStringLiteral("%d"),
                             const QString& separator = QStringLiteral(" "));

} // namespace KestrelExtensions
