#include "UnitFormatter.h"

#include <cmath>

namespace Sheetwright {

UnitFormatter::UnitFormatter(QString suffix, double multiplier, bool allowsFractions)
    : m_suffix(std::move(suffix)), m_multiplier(multiplier), m_allowsFractions(allowsFractions)
{
}

QString UnitFormatter::format(double points, const QLocale& locale) const
{
    double shown = points * m_multiplier;
    if (std::isfinite(shown)) {
        // Three fraction digits, ties to even, as number formatters round by default.
        shown = std::nearbyint(shown * 1000.0) / 1000.0;
        if (shown == 0.0)
            shown = 0.0; // no "-0"
    }
    QString text = locale.toString(shown, 'f', QLocale::FloatingPointShortest);
    if (!(shown < 0.0))
        text += m_suffix;
    return text;
}

std::optional<double> UnitFormatter::parse(const QString& text, const QLocale& locale) const
{
    QString number = text.trimmed();
    const QString unit = m_suffix.trimmed();
    if (!unit.isEmpty() && number.endsWith(unit, Qt::CaseInsensitive))
        number = number.left(number.size() - unit.size()).trimmed();
    if (number.isEmpty())
        return std::nullopt;

    bool ok = false;
    double value = locale.toDouble(number, &ok);
    if (!ok)
        value = QLocale::c().toDouble(number, &ok); // a plain "8.5" still reads in any locale
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    if (!m_allowsFractions && value != std::trunc(value))
        return std::nullopt;

    const double points = value / m_multiplier;
    if (!std::isfinite(points))
        return std::nullopt;
    // Keep typed sizes to a millionth of a point, so "11 in" stores exactly 792 rather than the
    // division's 792.0000000000001.
    const double kept = std::round(points * 1e6) / 1e6;
    return std::isfinite(kept) ? kept : points;
}

} // namespace Sheetwright
