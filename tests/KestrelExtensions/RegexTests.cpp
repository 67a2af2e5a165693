#include "KestrelExtensions/Regex/RegularExpression.h"
#include "KestrelExtensions/String/RegexMatching.h"
#include "KestrelExtensions/String/ReplacingOccurrences.h"
#include "Thrown.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace KestrelExtensions;

TEST(RegexMatching, MatchesGiveTheOneGroupOrTheWholeMatchAndGroupsByIndexOrName)
{
    EXPECT_EQ(firstMatch("Layout 12 of 30", "\\d+"), "12");
    EXPECT_EQ(firstMatch("Layout 12 of 30", "of (\\d+)"), "30");
    EXPECT_EQ(firstMatch("Layout 12 of 30", "(\\d+) of (\\d+)"), "12 of 30");
    EXPECT_EQ(firstMatch("12 of 30", "(\\d+) of"), "12");
    EXPECT_EQ(firstMatch("abc", "x(y)?c"), std::nullopt);
    EXPECT_EQ(firstMatch("abc", "b(x)?c"), std::nullopt) << "the one group did not take part";
    EXPECT_EQ(firstMatch("abc", "(unclosed"), std::nullopt);
    EXPECT_EQ(firstMatch("IMG_\u0665", "\\d"), "\u0665") << "ICU digits are Unicode digits";
    EXPECT_TRUE(matchesRegex("Scan 3", "\\d$"));
    EXPECT_FALSE(matchesRegex("Scan", "\\d"));
    EXPECT_FALSE(matchesRegex("[", "["));
    EXPECT_EQ(firstMatch("log \x1b]0;Rendering\x07 then \x1b]0;Done\x07", "\\033]\\d;(\\w+)\\007"),
              "Rendering")
        << "octal escapes find terminal title sequences";

    const auto expression = RegularExpression::make("(?<name>[a-z]+)-(?<number>\\d+)(x)?");
    ASSERT_TRUE(expression);
    EXPECT_EQ(expression->numberOfCaptureGroups(), 3);
    const QString text = "one-1 two-22";
    const auto all = expression->matches(text);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].range(), (TextRange{0, 5}));
    EXPECT_EQ(all[1].numberOfRanges(), 4);
    EXPECT_EQ(all[1].range(), (TextRange{6, 6}));
    EXPECT_EQ(all[1].string("name", text), "two");
    EXPECT_EQ(all[1].string(2, text), "22");
    EXPECT_EQ(all[1].string(3, text), std::nullopt);
    EXPECT_EQ(all[1].string(4, text), std::nullopt);
    EXPECT_EQ(all[1].string("missing", text), std::nullopt);
    EXPECT_EQ(all[1].string(0, "short"), std::nullopt) << "range outside the given string";
    EXPECT_TRUE(expression->matches("nothing here").empty());

    // A search range limits matches; one that does not fit finds nothing.
    EXPECT_EQ(expression->matches(text, {}, TextRange{0, 5}).size(), 1u);
    EXPECT_FALSE(expression->firstMatch(text, {}, TextRange{10, 5}));
    // A range's edges anchor and hide what lies outside, unless asked otherwise.
    using M = RegularExpression::MatchingOption;
    const auto anchored = RegularExpression::make("^b"), behind = RegularExpression::make("\\bb");
    EXPECT_TRUE(anchored->firstMatch("ab", {}, TextRange{1, 1}));
    EXPECT_FALSE(anchored->firstMatch("ab", M::WithoutAnchoringBounds, TextRange{1, 1}));
    EXPECT_TRUE(behind->firstMatch("ab", {}, TextRange{1, 1}));
    EXPECT_FALSE(behind->firstMatch("ab", M::WithTransparentBounds, TextRange{1, 1}));
    QString error;
    EXPECT_FALSE(RegularExpression::make("a{2,1}", {}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(RegularExpression, EachOptionChangesOnlyWhatItNames)
{
    using O = RegularExpression::Option;
    const std::tuple<O, const char*, const char*> rows[] = {
        {O::CaseInsensitive, "a", "A"},
        {O::AllowCommentsAndWhitespace, "a b # c", "ab"},
        {O::IgnoreMetacharacters, "^a", "x^a"},
        {O::DotMatchesLineSeparators, "a.b", "a\nb"},
        {O::AnchorsMatchLines, "^b", "a\nb"},
        {O::UseUnixLineSeparators, "a.b", "a\rb"},
        {O::UseUnicodeWordBoundaries, "a\\b", "a\u30A2"},
    };
    // Each pattern finds its text under its own option only (a dot also takes a lone CR under DotAll).
    for (const auto& row : rows) {
        const auto& [option, pattern, text] = row;
        for (const auto& otherRow : rows) {
            const O other = std::get<0>(otherRow);
            const bool found = RegularExpression::make(pattern, other)->firstMatch(text).has_value();
            EXPECT_EQ(found, &otherRow == &row ||
                                 (other == O::DotMatchesLineSeparators && option == O::UseUnixLineSeparators))
                << pattern << " under option " << int(other);
        }
        EXPECT_FALSE(RegularExpression::make(pattern)->firstMatch(text)) << pattern;
    }
}

TEST(ReplacingOccurrences, EachElementGetsItsOwnReplacementWithOptionsAndRanges)
{
    const QList<QString> elements{"Page 1 of N", "Page 2 of N"};
    EXPECT_EQ(replacingOccurrences(elements, "N", {"2", "2", "unused"}),
              (QList<QString>{"Page 1 of 2", "Page 2 of 2"}));
    const auto error = thrown<StringReplacementError>([&] { replacingOccurrences(elements, "N", {"2"}); });
    EXPECT_EQ(error.elementCount(), 2);
    EXPECT_EQ(error.replacementCount(), 1);
    EXPECT_EQ(*error.failureReason(), "More input strings (2) given than replacement strings (1).");
    EXPECT_TRUE(replacingOccurrences(QList<QString>{}, "x", {}).isEmpty());

    using O = StringCompareOption;
    EXPECT_EQ(replacingOccurrences("Cat cat CAT", "cat", "dog", O::CaseInsensitive), "dog dog dog");
    EXPECT_EQ(replacingOccurrences("Cat cat CAT", "cat", "dog"), "Cat dog CAT");
    EXPECT_EQ(replacingOccurrences("IMG_12.jpg", "([A-Z]+)_(\\d+)", "$2-$1", O::RegularExpression),
              "12-IMG.jpg");
    EXPECT_EQ(replacingOccurrences("abab", "ab", "x", O::Anchored), "xab");
    EXPECT_EQ(replacingOccurrences("abab", "ab", "x", O::Anchored | O::Backwards), "abx");
    EXPECT_EQ(replacingOccurrences("b ab", "ab", "x", O::Anchored), "b ab");
    EXPECT_EQ(replacingOccurrences("abab", "a.", "x", O::Anchored | O::RegularExpression), "xab");
    EXPECT_EQ(replacingOccurrences("abab", "a.", "x", O::Anchored | O::Backwards | O::RegularExpression),
              "abx");
    EXPECT_EQ(replacingOccurrences("a1a1a1", "a", "b", {}, TextRange{2, 2}), "a1b1a1");
    EXPECT_EQ(replacingOccurrences("a1a1a1", "\\d", "#", O::RegularExpression, TextRange{2, 4}), "a1a#a#");
    EXPECT_THROW(replacingOccurrences("abc", "a", "b", {}, TextRange{2, 5}), std::out_of_range);

    // A range that does not fit one element refuses the whole call before anything is replaced.
    EXPECT_THROW(
        replacingOccurrences(QList<QString>{"long enough", "short"}, "o", {"0", "0"}, {}, TextRange{0, 8}),
        std::out_of_range);
}
