#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QRectF>
#include <vector>

namespace RuvedovUzedoz {

// What the PDF writer cannot do itself, done on the finished `pdf`:
// - each page gets the media box of `mediaBoxes` (same order) where its origin is not (0, 0): the box
//   moves to that origin and the page's content moves with it, so the page looks the same (the writer
//   always starts boxes at (0, 0));
// - each JPEG image whose data carries a colour profile gets an ICCBased colour space holding it, so
//   that readers show its colours as the file means them.
// Changes are appended as an incremental update (and a colour space name is overwritten in place), so
// the file is never copied whole. False (with one log line, `pdf` unchanged) when the file cannot be read.
bool completePdf(QByteArray& pdf, const std::vector<QRectF>& mediaBoxes);
// The same for a PDF written to `file` (open for reading and writing, the PDF everything written to it).
// False when the file cannot be read back (one log line) or written (the file's own error says why).
bool completePdf(QFileDevice& file, const std::vector<QRectF>& mediaBoxes);

} // namespace RuvedovUzedoz
