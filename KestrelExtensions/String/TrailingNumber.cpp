#include "TrailingNumber.h"

#include "IntegerFormat.h"
#include "KestrelExtensions/Regex/RegularExpression.h"

#include <charconv>

namespace KestrelExtensions {

namespace {

std::optional<qint64> readDecimal(const QString& digits)
{
    const QByteArray ascii = digits.toUtf8();
    qint64 value = 0;
    const auto [end, error] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value, 10);
    if (error != std::errc() || end != ascii.constData() + ascii.size())
        return std::nullopt;
    return value;
}

QString trimmingCharacters(QString text, const QString& characters)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && characters.contains(text[start]))
        ++start;
    while (end > start && characters.contains(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

} // namespace

QString incrementingTrailingNumber(const QString& string, qint64 defaultNumber, qint64 step,
                                   const QString& format, const QString& separator)
{
    const IntegerFormat numberFormat(format);
    qint64 number = defaultNumber;
    QString base = string;
    const auto expression = RegularExpression::make(separator + QStringLiteral("\\d+$"));
    const auto match = expression ? expression->firstMatch(string) : std::nullopt;
    if (match) {
        const TextRange range = match->range();
        const auto value =
            readDecimal(trimmingCharacters(string.mid(range.location, range.length), separator));
        qint64 stepped = 0;
        if (value && !__builtin_add_overflow(*value, step, &stepped)) {
            number = stepped;
            // Only the matched range goes; an equal text earlier in the name stays.
            base = string.left(range.location) + string.mid(range.end());
        }
    }
    return base + separator + numberFormat.format(number);
}

void incrementTrailingNumber(QString& string, qint64 defaultNumber, qint64 step, const QString& format,
                             const QString& separator)
{
    string = incrementingTrailingNumber(string, defaultNumber, step, format, separator);
}

} // namespace KestrelExtensions
