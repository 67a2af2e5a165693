#include "RegexMatching.h"

#include "KestrelExtensions/Regex/RegularExpression.h"

namespace KestrelExtensions {

std::optional<QString> firstMatch(const QString& string, const QString& pattern)
{
    const auto expression = RegularExpression::make(pattern);
    if (!expression)
        return std::nullopt;
    const auto match = expression->firstMatch(string);
    if (!match)
        return std::nullopt;
    return match->string(expression->numberOfCaptureGroups() == 1 ? 1 : 0, string);
}

bool matchesRegex(const QString& string, const QString& pattern)
{
    const auto expression = RegularExpression::make(pattern);
    return expression && expression->firstMatch(string).has_value();
}

} // namespace KestrelExtensions
