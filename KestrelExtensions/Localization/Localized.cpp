#include "Localized.h"

#include <QCoreApplication>

namespace KestrelExtensions {

QString localized(const char* key)
{
    return QCoreApplication::translate(localizationContext, key);
}

QString localized(const QString& key)
{
    return localized(key.toUtf8().constData());
}

} // namespace KestrelExtensions
