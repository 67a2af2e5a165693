// Not called by the application: kept as a library service for other users.
#pragma once

#include "TextCheckingResult.h"

#include <QFlags>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace KestrelExtensions {

// A compiled ICU regular expression: ICU's syntax (`\d` and `\w` are Unicode-aware, `\033` is an octal
// escape) and `$1`-style replacement templates. Immutable after construction; copies share the pattern.
class RegularExpression {
public:
    enum class Option {
        CaseInsensitive = 1 << 0,
        AllowCommentsAndWhitespace = 1 << 1,
        IgnoreMetacharacters = 1 << 2,
        DotMatchesLineSeparators = 1 << 3,
        AnchorsMatchLines = 1 << 4,
        UseUnixLineSeparators = 1 << 5,
        UseUnicodeWordBoundaries = 1 << 6,
    };
    Q_DECLARE_FLAGS(Options, Option)

    enum class MatchingOption {
        // `^` and `$` do not match at the edges of the searched range unless they are the string's edges.
        WithoutAnchoringBounds = 1 << 0,
        // Look-arounds and word boundaries may see text outside the searched range.
        WithTransparentBounds = 1 << 1,
    };
    Q_DECLARE_FLAGS(MatchingOptions, MatchingOption)

    // An expression that cannot be built gives absent; `errorMessage`, when given, receives why.
    static std::optional<RegularExpression> make(const QString& pattern, Options options = {},
                                                 QString* errorMessage = nullptr);

    const QString& pattern() const { return m_pattern; }
    Options options() const { return m_options; }
    qsizetype numberOfCaptureGroups() const;

    // Searches `range` of `text` (the whole text when absent). A range that does not fit the text
    // gives no match.
    std::optional<TextCheckingResult> firstMatch(const QString& text, MatchingOptions options = {},
                                                 std::optional<TextRange> range = std::nullopt) const;
    std::vector<TextCheckingResult> matches(const QString& text, MatchingOptions options = {},
                                            std::optional<TextRange> range = std::nullopt) const;

    // `text` with every match inside `range` replaced by `replacementTemplate` ($0, $1, ${name}, `\$`).
    // A malformed template leaves the text unchanged.
    QString replacingMatches(const QString& text, const QString& replacementTemplate,
                             std::optional<TextRange> range = std::nullopt) const;

private:
    struct Compiled;
    RegularExpression(QString pattern, Options options, std::shared_ptr<const Compiled> compiled);

    QString m_pattern;
    Options m_options;
    std::shared_ptr<const Compiled> m_compiled;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(RegularExpression::Options)
Q_DECLARE_OPERATORS_FOR_FLAGS(RegularExpression::MatchingOptions)

} // namespace KestrelExtensions
