#include "Plurals.h"

#include <QLocale>
#include <cmath>
#include <cstring>

namespace Sheetwright::Plurals {

namespace {

QString counted(qint64 count, const char* one, const char* other)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(count),
                                       QString::fromUtf8(count == 1 ? one : other));
}

// Whole numbers without decimals, others with one.
QString number(double value)
{
    if (std::isfinite(value) && value == std::round(value))
        return QLocale().toString(qint64(value));
    return QLocale().toString(value, 'f', 1);
}

} // namespace

QString localized(const char* key, qint64 first, qint64 second)
{
    if (std::strcmp(key, "pdf-info %lld %lld") == 0)
        return counted(first, "image", "images") + QStringLiteral(", ") + counted(second, "page", "pages");
    return QString::asprintf(key, static_cast<long long>(first), static_cast<long long>(second));
}

QString localized(const char* key, double first, double second)
{
    if (std::strcmp(key, "render %f %f") == 0)
        return QStringLiteral("%1 of %2 %3")
            .arg(number(first), number(second), second == 1 ? "page" : "pages");
    return QString::asprintf(key, first, second);
}

} // namespace Sheetwright::Plurals
