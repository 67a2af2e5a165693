#include "ThemeIcon.h"

#include <QFile>

namespace Sheetwright {

QIcon themeIcon(const QString& name)
{
    for (const QString& candidate : {name, name + QStringLiteral("-symbolic")}) {
        if (QIcon::hasThemeIcon(candidate))
            return QIcon::fromTheme(candidate);
    }
    return fallbackIcon(name);
}

QIcon fallbackIcon(const QString& name)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(name);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace Sheetwright
