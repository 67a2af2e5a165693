#include "VersionComparator.h"

#include <QStringView>
#include <vector>

namespace KestrelUpdater {
namespace {

enum class TokenKind { Number, Word, Separator };

struct Token {
    TokenKind kind;
    QStringView text;
};

TokenKind kindOf(QChar c)
{
    if (c.isDigit())
        return TokenKind::Number;
    if (c.isSpace() || c.isPunct() || c.isSymbol())
        return TokenKind::Separator;
    return TokenKind::Word;
}

std::vector<Token> tokenize(QStringView version)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < version.size()) {
        const TokenKind kind = kindOf(version[i]);
        qsizetype end = i + 1;
        // Every separator character is a token of its own; digits and words run on.
        if (kind != TokenKind::Separator)
            while (end < version.size() && kindOf(version[end]) == kind)
                ++end;
        tokens.push_back({kind, version.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// Compares digit runs by value without converting them, so no run is too long.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return sign(a.compare(b));
}

// Across kinds a word is oldest (a pre-release), then a separator, then a number.
int rank(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Word:
        return 0;
    case TokenKind::Separator:
        return 1;
    case TokenKind::Number:
        return 2;
    }
    return 0;
}

} // namespace

int compareVersions(const QString& a, const QString& b)
{
    const std::vector<Token> left = tokenize(a);
    const std::vector<Token> right = tokenize(b);
    const size_t common = std::min(left.size(), right.size());
    for (size_t i = 0; i < common; ++i) {
        const Token& l = left[i];
        const Token& r = right[i];
        if (l.kind != r.kind)
            return rank(l.kind) < rank(r.kind) ? -1 : 1;
        if (l.kind == TokenKind::Number) {
            if (const int order = compareNumbers(l.text, r.text))
                return order;
        } else if (l.kind == TokenKind::Word) {
            if (const int order = sign(l.text.compare(r.text)))
                return order;
        }
    }
    if (left.size() == right.size())
        return 0;
    // What the longer one adds decides: a word there marks a pre-release ("1.0b1", "1.0-beta" < "1.0"),
    // a number a later release ("1.0" < "1.0.1"); separators alone add nothing.
    const bool leftLonger = left.size() > right.size();
    const std::vector<Token>& longer = leftLonger ? left : right;
    for (size_t i = common; i < longer.size(); ++i) {
        if (longer[i].kind == TokenKind::Separator)
            continue;
        const bool longerIsNewer = longer[i].kind == TokenKind::Number;
        return (leftLonger == longerIsNewer) ? 1 : -1;
    }
    return 0;
}

} // namespace KestrelUpdater
