#pragma once

#include <QByteArray>
#include <QString>

namespace KestrelUpdater {

// The user agent of the updater's requests: "<application name>/<version>".
QByteArray userAgent(const QString& version);

} // namespace KestrelUpdater
