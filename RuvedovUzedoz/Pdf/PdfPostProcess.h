#pragma once

#include <QByteArray>
#include <QRectF>
#include <optional>
#include <vector>

namespace RuvedovUzedoz {

// Gives each page of `pdf` the media box of `mediaBoxes` (same order) where its origin is not (0, 0):
// the box moves to that origin and the page's content moves with it, so the page looks the same.
// The PDF writer always starts boxes at (0, 0), hence this pass. Nullopt (with one log line) when the
// file cannot be read or written back.
std::optional<QByteArray> applyMediaBoxes(const QByteArray& pdf, const std::vector<QRectF>& mediaBoxes);

} // namespace RuvedovUzedoz
