#include "CamelCase.h"

#include <QTextBoundaryFinder>
#include <vector>

namespace KestrelExtensions {

namespace {

bool isUppercase(char32_t scalar)
{
    const QChar::Category category = QChar::category(scalar);
    return category == QChar::Letter_Uppercase || category == QChar::Letter_Titlecase;
}

char32_t scalarAt(const QString& text, qsizetype index)
{
    const QChar c = text[index];
    if (c.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[index + 1]);
    return c.unicode();
}

} // namespace

QString splittingCamelCase(const QString& string)
{
    if (string.isEmpty())
        return string;
    // Character (grapheme) starts of the input; an inserted space always precedes a capital, which
    // starts a character of its own, so the input's characters stand for the output's.
    std::vector<bool> startsCharacter(size_t(string.size()) + 1, false);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, string);
    for (qsizetype at = finder.toNextBoundary(); at >= 0; at = finder.toNextBoundary())
        startsCharacter[size_t(at)] = true;
    startsCharacter[0] = true;

    QString output;
    output.reserve(string.size() + string.size() / 4);
    qsizetype index = 0;
    const char32_t first = scalarAt(string, 0);
    qsizetype lastCharacterStart = 0; // in the input
    bool spaced = false;
    index += QChar::requiresSurrogates(first) ? 2 : 1;
    output.append(QString::fromUcs4(&first, 1));
    while (index < string.size()) {
        const char32_t scalar = scalarAt(string, index);
        const qsizetype width = QChar::requiresSurrogates(scalar) ? 2 : 1;
        if (isUppercase(scalar)) {
            const bool outputIsOneCharacter = !spaced && lastCharacterStart == 0;
            if (!isUppercase(scalarAt(string, lastCharacterStart)) || outputIsOneCharacter) {
                output.append(u' ');
                spaced = true;
            }
        }
        output.append(QString::fromUcs4(&scalar, 1));
        if (startsCharacter[size_t(index)])
            lastCharacterStart = index;
        index += width;
    }
    return output;
}

} // namespace KestrelExtensions
