#pragma once

#include <QString>
#include <QUrlQuery>

namespace KestrelUpdater {

// The anonymous system information a check may send with the feed request: application, system and
// processor facts, and the user's language. Nothing that identifies the machine or the user.
QUrlQuery systemProfile(const QString& applicationVersion);

} // namespace KestrelUpdater
