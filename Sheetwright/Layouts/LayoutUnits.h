#pragma once

#include "UnitFormatter.h"

#include <QString>
#include <array>
#include <optional>

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

// The unit in which page width, height and margin are shown and typed. One choice for the whole
// application, stored in the user defaults under "units"; the page layout itself always holds points.
enum class LayoutUnits { points, imperial, metric };

namespace LayoutUnitsKeys {
inline constexpr char units[] = "units";
}

QString rawValue(LayoutUnits units);
// Nothing for any string other than "points", "imperial" or "metric".
std::optional<LayoutUnits> layoutUnitsFromRawValue(const QString& raw);
const std::array<LayoutUnits, 3>& allLayoutUnits();

// The unit stored under "units"; imperial when the key is absent or holds no known unit.
LayoutUnits storedLayoutUnits(const KestrelExtensions::UserDefaults& defaults);
void storeLayoutUnits(KestrelExtensions::UserDefaults& defaults, LayoutUnits units);

// The process-wide formatters, made once on first use.
const UnitFormatter& pointsFormatter();
const UnitFormatter& inchesFormatter();
const UnitFormatter& millimetersFormatter();
UnitFormatter makeFormatter(const QString& suffix, double multiplier);
const UnitFormatter& formatter(LayoutUnits units);

} // namespace Sheetwright
