#include "IntegerFormat.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace KestrelExtensions {

namespace {

// Widths and precisions past this are refused: they only serve to exhaust memory.
constexpr int maximumWidth = 1024;

[[noreturn]] void refuse(const QString& format, const char* why)
{
    throw std::invalid_argument(
        QStringLiteral("Invalid number format “%1”: %2").arg(format, QLatin1String(why)).toStdString());
}

int readNumber(const QString& format, qsizetype& i)
{
    int value = 0;
    while (i < format.size() && format[i].isDigit() && format[i].unicode() < 128) {
        value = value * 10 + (format[i].unicode() - '0');
        if (value > maximumWidth)
            refuse(format, "width or precision too large");
        ++i;
    }
    return value;
}

} // namespace

IntegerFormat::IntegerFormat(const QString& format)
{
    bool converted = false;
    QString* literal = &m_prefix;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%') {
            literal->append(c);
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            literal->append(u'%');
            ++i;
            continue;
        }
        if (converted)
            refuse(format, "more than one conversion");
        std::string directive = "%";
        ++i;
        while (i < format.size() && QStringView(u"-+ #0'").contains(format[i]))
            directive += char(format[i++].unicode());
        if (i < format.size() && format[i] == u'*')
            refuse(format, "a width taken from the arguments");
        if (const int width = readNumber(format, i))
            directive += std::to_string(width);
        if (i < format.size() && format[i] == u'.') {
            ++i;
            if (i < format.size() && format[i] == u'*')
                refuse(format, "a precision taken from the arguments");
            directive += "." + std::to_string(readNumber(format, i));
        }
        // Any length modifier is accepted and replaced: the value is always 64-bit.
        while (i < format.size() && QStringView(u"hlqjztL").contains(format[i]))
            ++i;
        if (i >= format.size())
            refuse(format, "an incomplete conversion");
        const char16_t conversion = format[i].unicode();
        switch (conversion) {
        case u'd':
        case u'i':
            break;
        case u'u':
        case u'o':
        case u'x':
        case u'X':
            m_unsigned = true;
            break;
        default:
            refuse(format, "a conversion that is not an integer one");
        }
        directive += "ll";
        directive += char(conversion);
        m_conversion = directive;
        converted = true;
        literal = &m_suffix;
    }
    if (!converted)
        refuse(format, "no integer conversion");
}

QString IntegerFormat::format(qint64 value) const
{
    const auto print = [&](char* buffer, size_t size) {
        return m_unsigned
                   ? std::snprintf(buffer, size, m_conversion.c_str(), static_cast<unsigned long long>(value))
                   : std::snprintf(buffer, size, m_conversion.c_str(), static_cast<long long>(value));
    };
    const int length = print(nullptr, 0);
    if (length < 0)
        return m_prefix + QString::number(value) + m_suffix;
    std::vector<char> buffer(size_t(length) + 1);
    print(buffer.data(), buffer.size());
    return m_prefix + QString::fromLatin1(buffer.data(), length) + m_suffix;
}

} // namespace KestrelExtensions
