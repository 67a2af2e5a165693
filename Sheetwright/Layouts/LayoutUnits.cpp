#include "LayoutUnits.h"

#include "KestrelExtensions/Defaults/UserDefaults.h"

namespace Sheetwright {

QString rawValue(LayoutUnits units)
{
    switch (units) {
    case LayoutUnits::points:
        return QStringLiteral("points");
    case LayoutUnits::imperial:
        return QStringLiteral("imperial");
    case LayoutUnits::metric:
        return QStringLiteral("metric");
    }
    return {};
}

std::optional<LayoutUnits> layoutUnitsFromRawValue(const QString& raw)
{
    for (LayoutUnits units : allLayoutUnits())
        if (rawValue(units) == raw)
            return units;
    return std::nullopt;
}

const std::array<LayoutUnits, 3>& allLayoutUnits()
{
    static constexpr std::array<LayoutUnits, 3> cases{LayoutUnits::points, LayoutUnits::imperial,
                                                      LayoutUnits::metric};
    return cases;
}

LayoutUnits storedLayoutUnits(const KestrelExtensions::UserDefaults& defaults)
{
    const auto raw = defaults.string(QString::fromLatin1(LayoutUnitsKeys::units));
    if (!raw)
        return LayoutUnits::imperial;
    return layoutUnitsFromRawValue(*raw).value_or(LayoutUnits::imperial);
}

void storeLayoutUnits(KestrelExtensions::UserDefaults& defaults, LayoutUnits units)
{
    defaults.setString(QString::fromLatin1(LayoutUnitsKeys::units), rawValue(units));
}

UnitFormatter makeFormatter(const QString& suffix, double multiplier)
{
    return UnitFormatter(suffix, multiplier, true);
}

const UnitFormatter& pointsFormatter()
{
    static const UnitFormatter formatter(QStringLiteral(" pt"), 1.0, false);
    return formatter;
}

const UnitFormatter& inchesFormatter()
{
    static const UnitFormatter formatter = makeFormatter(QStringLiteral(" in"), 1.0 / 72.0);
    return formatter;
}

const UnitFormatter& millimetersFormatter()
{
    static const UnitFormatter formatter = makeFormatter(QStringLiteral(" mm"), 25.4 / 72.0);
    return formatter;
}

const UnitFormatter& formatter(LayoutUnits units)
{
    switch (units) {
    case LayoutUnits::points:
        return pointsFormatter();
    case LayoutUnits::metric:
        return millimetersFormatter();
    case LayoutUnits::imperial:
        break;
    }
    return inchesFormatter();
}

} // namespace Sheetwright
