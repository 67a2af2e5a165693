#pragma once

#include <QStringList>

namespace RuvedovUzedoz {

// The font families that label drawing can use: the names the font system knows, once each, sorted.
QStringList availableFontFamilies();

} // namespace RuvedovUzedoz
