#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QRectF>
#include <vector>

namespace RuvedovUzedoz {

// Gives each page of `pdf` the media box of `mediaBoxes` (same order) where its origin is not (0, 0):
// the box moves to that origin and the page's content moves with it, so the page looks the same.
// The PDF writer always starts boxes at (0, 0), hence this pass. The changed pages are appended as an
// incremental update, so the file is never copied whole. False (with one log line, `pdf` unchanged)
// when the file cannot be read.
bool applyMediaBoxes(QByteArray& pdf, const std::vector<QRectF>& mediaBoxes);
// The same for a PDF written to `file` (open for writing, the PDF everything written to it): the update is
// appended to the file. False when the file cannot be read back (one log line) or written (the file's
// own error says why).
bool applyMediaBoxes(QFileDevice& file, const std::vector<QRectF>& mediaBoxes);

} // namespace RuvedovUzedoz
