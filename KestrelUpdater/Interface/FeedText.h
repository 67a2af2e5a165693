#pragma once

#include <QString>

namespace KestrelUpdater {

// A string from the feed (a version, a title) as it may stand in a window: one line without control or
// direction-changing characters, cut to `maximumLength` characters. Show it as plain text only.
QString feedText(const QString& text, qsizetype maximumLength = 80);

// The longest message the updater shows.
inline constexpr qsizetype maximumMessageLength = 1000;

// Any text the updater shows the user (a message, an error naming a URL or a server's answer, a path),
// cleaned as feedText() cleans: one line without control or direction characters, cut to
// maximumMessageLength. Every window text passes through it; show it as plain text only.
QString messageText(const QString& text);

} // namespace KestrelUpdater
