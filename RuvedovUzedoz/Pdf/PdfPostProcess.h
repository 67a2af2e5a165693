#pragma once

#include <QByteArray>
#include <QRectF>
#include <vector>

namespace RuvedovUzedoz {

// Gives each page of `pdf` the media box of `mediaBoxes` (same order) where its origin is not (0, 0):
// the box moves to that origin and the page's content moves with it, so the page looks the same.
// The PDF writer always starts boxes at (0, 0), hence this pass. The changed pages are appended as an
// incremental update, so the file is never copied whole. False (with one log line, `pdf` unchanged)
// when the file cannot be read.
bool applyMediaBoxes(QByteArray& pdf, const std::vector<QRectF>& mediaBoxes);

} // namespace RuvedovUzedoz
