#include "RuvedovUzedoz/Rendering/NumberDescription.h"

#include <charconv>
#include <cmath>
#include <string>

namespace RuvedovUzedoz {

QString doubleDescription(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    const double magnitude = std::fabs(value);
    char buffer[64];
    if (magnitude != 0 && (magnitude < 1e-4 || magnitude >= 1e16)) {
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
        std::string text(buffer, result.ptr);
        // Exponents are written with a sign and at least two digits: "1e+16", "1e-05".
        const size_t e = text.find('e');
        std::string mantissa = text.substr(0, e);
        std::string exponent = text.substr(e + 1);
        char sign = '+';
        if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) {
            sign = exponent[0];
            exponent.erase(0, 1);
        }
        if (exponent.size() < 2)
            exponent.insert(0, 2 - exponent.size(), '0');
        return QString::fromStdString(mantissa + 'e' + sign + exponent);
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos)
        text += ".0";
    return QString::fromStdString(text);
}

QString sizeDescription(QSizeF size)
{
    return QLatin1Char('(') + doubleDescription(size.width()) + QStringLiteral(", ") +
           doubleDescription(size.height()) + QLatin1Char(')');
}

} // namespace RuvedovUzedoz
