#pragma once

#include <QString>

namespace KestrelUpdater {

// A string from the feed (a version, a title) as it may stand in a window: one line without control or
// direction-changing characters, cut to `maximumLength` characters. Show it as plain text only.
QString feedText(const QString& text, qsizetype maximumLength = 80);

} // namespace KestrelUpdater
