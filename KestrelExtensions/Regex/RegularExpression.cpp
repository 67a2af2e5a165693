#include "RegularExpression.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace KestrelExtensions {

// Group names resolve through the compiled pattern, which the results share.
struct TextCheckingResult::Names {
    virtual ~Names() = default;
    virtual qsizetype groupNumber(const QString& name) const = 0;
};

namespace {

icu::UnicodeString toUnicode(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
}

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

uint32_t icuFlags(RegularExpression::Options options)
{
    using Option = RegularExpression::Option;
    uint32_t flags = 0;
    if (options & Option::CaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options & Option::AllowCommentsAndWhitespace)
        flags |= UREGEX_COMMENTS;
    if (options & Option::IgnoreMetacharacters)
        flags |= UREGEX_LITERAL;
    if (options & Option::DotMatchesLineSeparators)
        flags |= UREGEX_DOTALL;
    if (options & Option::AnchorsMatchLines)
        flags |= UREGEX_MULTILINE;
    if (options & Option::UseUnixLineSeparators)
        flags |= UREGEX_UNIX_LINES;
    if (options & Option::UseUnicodeWordBoundaries)
        flags |= UREGEX_UWORD;
    return flags;
}

} // namespace

struct RegularExpression::Compiled : TextCheckingResult::Names {
    std::unique_ptr<icu::RegexPattern> pattern;
    int32_t groupCount = 0;

    qsizetype groupNumber(const QString& name) const override
    {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t number = pattern->groupNumberFromName(toUnicode(name), status);
        return U_FAILURE(status) ? -1 : number;
    }

    // A matcher over `input` (which must outlive it) limited to `range`; null when the range does not fit.
    std::unique_ptr<icu::RegexMatcher> matcher(const icu::UnicodeString& input, MatchingOptions options,
                                               std::optional<TextRange> range) const
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
        if (U_FAILURE(status) || !matcher)
            return nullptr;
        if (range) {
            if (!range->fitsIn(input.length()))
                return nullptr;
            matcher->region(range->location, range->end(), status);
            if (U_FAILURE(status))
                return nullptr;
        }
        matcher->useAnchoringBounds(!(options & MatchingOption::WithoutAnchoringBounds));
        matcher->useTransparentBounds(bool(options & MatchingOption::WithTransparentBounds));
        return matcher;
    }
};

TextRange TextCheckingResult::range(qsizetype index) const
{
    if (index < 0 || index >= numberOfRanges())
        return {};
    return m_ranges[size_t(index)];
}

TextRange TextCheckingResult::range(const QString& groupName) const
{
    return m_names ? range(m_names->groupNumber(groupName)) : TextRange{};
}

std::optional<QString> TextCheckingResult::string(qsizetype index, const QString& searched) const
{
    const TextRange found = range(index);
    if (!found.isFound() || !found.fitsIn(searched.size()))
        return std::nullopt;
    return searched.mid(found.location, found.length);
}

std::optional<QString> TextCheckingResult::string(const QString& groupName, const QString& searched) const
{
    return m_names ? string(m_names->groupNumber(groupName), searched) : std::nullopt;
}

RegularExpression::RegularExpression(QString pattern, Options options,
                                     std::shared_ptr<const Compiled> compiled)
    : m_pattern(std::move(pattern)), m_options(options), m_compiled(std::move(compiled))
{
}

std::optional<RegularExpression> RegularExpression::make(const QString& pattern, Options options,
                                                         QString* errorMessage)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    auto compiled = std::make_shared<Compiled>();
    compiled->pattern.reset(
        icu::RegexPattern::compile(toUnicode(pattern), icuFlags(options), parseError, status));
    if (U_FAILURE(status) || !compiled->pattern) {
        if (errorMessage)
            *errorMessage = QStringLiteral("%1 at offset %2")
                                .arg(QString::fromLatin1(u_errorName(status)))
                                .arg(parseError.offset);
        return std::nullopt;
    }
    // The pattern tells its group count only through a matcher.
    std::unique_ptr<icu::RegexMatcher> probe(compiled->pattern->matcher(status));
    if (U_FAILURE(status) || !probe)
        return std::nullopt;
    compiled->groupCount = probe->groupCount();
    return RegularExpression(pattern, options, std::move(compiled));
}

qsizetype RegularExpression::numberOfCaptureGroups() const
{
    return m_compiled->groupCount;
}

std::optional<TextCheckingResult> RegularExpression::firstMatch(const QString& text, MatchingOptions options,
                                                                std::optional<TextRange> range) const
{
    const icu::UnicodeString input = toUnicode(text);
    const auto matcher = m_compiled->matcher(input, options, range);
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher || !matcher->find(status) || U_FAILURE(status))
        return std::nullopt;
    std::vector<TextRange> ranges;
    const int32_t groups = matcher->groupCount();
    ranges.reserve(size_t(groups) + 1);
    for (int32_t group = 0; group <= groups; ++group) {
        status = U_ZERO_ERROR;
        const int32_t start = matcher->start(group, status);
        const int32_t end = matcher->end(group, status);
        ranges.push_back(U_FAILURE(status) || start < 0 ? TextRange{} : TextRange{start, end - start});
    }
    return TextCheckingResult(std::move(ranges), m_compiled);
}

std::vector<TextCheckingResult> RegularExpression::matches(const QString& text, MatchingOptions options,
                                                           std::optional<TextRange> range) const
{
    std::vector<TextCheckingResult> results;
    const icu::UnicodeString input = toUnicode(text);
    const auto matcher = m_compiled->matcher(input, options, range);
    if (!matcher)
        return results;
    const int32_t groups = matcher->groupCount();
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find(status) && U_SUCCESS(status)) {
        std::vector<TextRange> ranges;
        ranges.reserve(size_t(groups) + 1);
        for (int32_t group = 0; group <= groups; ++group) {
            UErrorCode groupStatus = U_ZERO_ERROR;
            const int32_t start = matcher->start(group, groupStatus);
            const int32_t end = matcher->end(group, groupStatus);
            ranges.push_back(U_FAILURE(groupStatus) || start < 0 ? TextRange{}
                                                                 : TextRange{start, end - start});
        }
        results.push_back(TextCheckingResult(std::move(ranges), m_compiled));
    }
    return results;
}

QString RegularExpression::replacingMatches(const QString& text, const QString& replacementTemplate,
                                            std::optional<TextRange> range) const
{
    const icu::UnicodeString input = toUnicode(text);
    const auto matcher = m_compiled->matcher(input, {}, range);
    if (!matcher)
        return text;
    const icu::UnicodeString replacement = toUnicode(replacementTemplate);
    icu::UnicodeString output;
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find(status) && U_SUCCESS(status)) {
        matcher->appendReplacement(output, replacement, status);
        if (U_FAILURE(status))
            return text;
    }
    if (U_FAILURE(status))
        return text;
    matcher->appendTail(output);
    return fromUnicode(output);
}

} // namespace KestrelExtensions
