#pragma once

#include <QString>
#include <QUrl>

namespace Sheetwright {

// The identity of a file URL in lists: its absolute string.
inline QString urlIdentity(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

} // namespace Sheetwright
