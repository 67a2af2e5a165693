#pragma once

#include <QString>

namespace KestrelExtensions {

// The text of a localisation key in the default string table. No translation ships yet, so the key is
// its own text; every label, caption, menu title and alert text goes through here.
inline QString localized(const char* key)
{
    return QString::fromUtf8(key);
}

inline QString localized(const QString& key)
{
    return key;
}

} // namespace KestrelExtensions
