#include "NumberPadding.h"

#include "KestrelExtensions/Regex/RegularExpression.h"

#include <QTextBoundaryFinder>
#include <stdexcept>

namespace KestrelExtensions {

namespace {

qsizetype characterCount(const QString& text)
{
    qsizetype count = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

const RegularExpression& digitRuns()
{
    static const RegularExpression expression = [] {
        auto made = RegularExpression::make(QStringLiteral("\\d+"));
        Q_ASSERT(made);
        return *made;
    }();
    return expression;
}

} // namespace

QString paddingNumbers(const QString& string, qsizetype width, const QString& pad)
{
    if (width <= 0)
        return string;
    if (width > maximumPaddingWidth)
        throw std::invalid_argument(QStringLiteral("Padding width %1 is larger than %2")
                                        .arg(width)
                                        .arg(maximumPaddingWidth)
                                        .toStdString());
    QString result = string;
    const auto matches =
        digitRuns().matches(string, RegularExpression::MatchingOption::WithoutAnchoringBounds);
    // From the last match back, so each replacement leaves the earlier positions valid.
    for (auto match = matches.rbegin(); match != matches.rend(); ++match) {
        const TextRange range = match->range();
        const qsizetype length = characterCount(string.mid(range.location, range.length));
        if (length < width)
            result.insert(range.location, pad.repeated(width - length));
    }
    return result;
}

void padNumbers(QString& string, qsizetype width, const QString& pad)
{
    string = paddingNumbers(string, width, pad);
}

} // namespace KestrelExtensions
