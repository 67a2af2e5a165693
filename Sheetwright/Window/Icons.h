#pragma once

#include <QIcon>

namespace Sheetwright {

// The icon for one of the window's symbol names ("plus", "doc.richtext", ...): the desktop theme's
// icon where the theme has one, else the style's own, so a bare machine still shows every button.
QIcon symbolIcon(const char* symbolName);

} // namespace Sheetwright
