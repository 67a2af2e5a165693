// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>

namespace KestrelExtensions {

// A printf-style format with exactly one integer conversion (d, i, u, o, x or X, with optional flags,
// width, precision and length modifier) amid literal text and "%%". Checked once, at construction,
// which throws std::invalid_argument for anything else (%s, %n, *, two conversions or none), so a
// caller's format never reaches printf unchecked. The number is always formatted as 64-bit.
class IntegerFormat {
public:
    explicit IntegerFormat(const QString& format);

    QString format(qint64 value) const;

private:
    QString m_prefix;
    QString m_suffix;
    std::string m_conversion; // "%" flags width precision "ll" conversion
    bool m_unsigned = false;
};

} // namespace KestrelExtensions
