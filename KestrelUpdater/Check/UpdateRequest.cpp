#include "UpdateRequest.h"

#include <QCoreApplication>

namespace KestrelUpdater {

QByteArray userAgent(const QString& version)
{
    const QString name = QCoreApplication::applicationName().isEmpty() ? QStringLiteral("Sheetwright")
                                                                       : QCoreApplication::applicationName();
    return (name + u'/' + (version.isEmpty() ? QStringLiteral("0") : version)).toUtf8();
}

} // namespace KestrelUpdater
