#pragma once

#include <QIcon>
#include <QString>

namespace Sheetwright {

// The one way the application finds an icon, by its freedesktop name ("list-add", "view-refresh",
// "document-save", ...): the desktop theme's icon of that name, else its "-symbolic" variant, else the
// application's own drawing of it, so every button shows what it does on any theme or none.
QIcon themeIcon(const QString& name);

// The application's own drawing of `name` (null for a name it does not draw).
QIcon fallbackIcon(const QString& name);

} // namespace Sheetwright
