#pragma once

#include <QString>

class QFontMetrics;

namespace Sheetwright {

// Text read from a file or the settings, made fit to show in a control at most `width` pixels wide:
// cut with an ellipsis at the end when it is longer. A control sized from its text would otherwise
// follow whatever a file holds, up to a window wider than any screen. The stored value stays whole.
QString elidedForDisplay(const QString& text, const QFontMetrics& metrics, int width);

} // namespace Sheetwright
