#include "Trimming.h"

namespace KestrelExtensions {

namespace {

// Every space separator is in the Basic Multilingual Plane, so UTF-16 units can be tested one by one.
bool isWhitespace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QString removingNewlines(const QString& string)
{
    QString result = string;
    result.remove(u'\n');
    return result;
}

QString trimmed(const QString& string)
{
    qsizetype start = 0;
    qsizetype end = string.size();
    while (start < end && isWhitespace(string[start]))
        ++start;
    while (end > start && isWhitespace(string[end - 1]))
        --end;
    return string.mid(start, end - start);
}

} // namespace KestrelExtensions
