#include "ReplacingOccurrences.h"

#include "KestrelExtensions/Regex/RegularExpression.h"

#include <stdexcept>

namespace KestrelExtensions {

namespace {

QString replacingAnchored(const QString& part, const QString& target, const QString& replacement,
                          Qt::CaseSensitivity sensitivity, bool backwards)
{
    if (target.isEmpty())
        return part;
    if (!backwards && part.startsWith(target, sensitivity))
        return replacement + part.mid(target.size());
    if (backwards && part.endsWith(target, sensitivity))
        return part.left(part.size() - target.size()) + replacement;
    return part;
}

} // namespace

QString replacingOccurrences(const QString& string, const QString& target, const QString& replacement,
                             StringCompareOptions options, std::optional<TextRange> range)
{
    const TextRange within = range.value_or(TextRange::whole(string));
    if (!within.fitsIn(string.size()))
        throw std::out_of_range("Range does not lie inside the string.");
    const Qt::CaseSensitivity sensitivity =
        options & StringCompareOption::CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool anchored(options & StringCompareOption::Anchored);
    const bool backwards(options & StringCompareOption::Backwards);

    if (options & StringCompareOption::RegularExpression) {
        RegularExpression::Options regexOptions;
        if (sensitivity == Qt::CaseInsensitive)
            regexOptions |= RegularExpression::Option::CaseInsensitive;
        const auto expression = RegularExpression::make(target, regexOptions);
        if (!expression)
            return string;
        if (!anchored)
            return expression->replacingMatches(string, replacement, within);
        // Anchored: only a match that starts at the range's start (or ends at its end, backwards).
        for (const auto& match : expression->matches(string, {}, within)) {
            const TextRange found = match.range();
            if ((!backwards && found.location == within.location) ||
                (backwards && found.end() == within.end())) {
                const QString replaced =
                    expression->replacingMatches(string.mid(found.location, found.length), replacement);
                return string.left(found.location) + replaced + string.mid(found.end());
            }
        }
        return string;
    }

    QString part = string.mid(within.location, within.length);
    if (anchored)
        part = replacingAnchored(part, target, replacement, sensitivity, backwards);
    else if (!target.isEmpty())
        part.replace(target, replacement, sensitivity);
    return string.left(within.location) + part + string.mid(within.end());
}

QList<QString> replacingOccurrences(const QList<QString>& elements, const QString& target,
                                    const QList<QString>& replacements, StringCompareOptions options,
                                    std::optional<TextRange> range)
{
    if (replacements.size() < elements.size())
        throw StringReplacementError::tooManyElements(elements.size(), replacements.size());
    if (range) {
        for (const QString& element : elements) {
            if (!range->fitsIn(element.size()))
                throw std::out_of_range("Range does not lie inside every string.");
        }
    }
    QList<QString> result;
    result.reserve(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i)
        result.append(replacingOccurrences(elements[i], target, replacements[i], options, range));
    return result;
}

} // namespace KestrelExtensions
