#pragma once

#include <QString>

namespace KestrelUpdater {

// Orders version strings the way release feeds number them: runs of digits compare by value ("1.10" is
// newer than "1.9", however long the run), words mark pre-releases and sort below the release they
// precede ("1.0b1" < "1.0"), and a longer version with more numbers is newer ("1.0" < "1.0.1").
// Answers -1, 0 or 1 as a is older than, equal to or newer than b.
int compareVersions(const QString& a, const QString& b);

} // namespace KestrelUpdater
