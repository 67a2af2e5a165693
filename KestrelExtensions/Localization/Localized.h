#pragma once

#include <QString>

namespace KestrelExtensions {

// The translation context of every text the application shows.
inline constexpr char localizationContext[] = "Sheetwright";

// The text of a localisation key: its translation when an installed translator has one, else the key
// itself, which is the English text. Every label, caption, menu title and alert text goes through here.
QString localized(const char* key);
QString localized(const QString& key);

} // namespace KestrelExtensions
