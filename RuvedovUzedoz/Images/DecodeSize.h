#pragma once

#include "PreparedImage.h"

#include <QSize>
#include <optional>

namespace RuvedovUzedoz {

// How large a picture of `upright` pixels is decoded: within the memory and cairo limits, at the target
// size when compressing, and, for a vector picture, never beyond what the cell shows at the layout's
// resolution, since it can be drawn at any size.
int decodeLongestSide(QSize upright, QSizeF box, const ImageSettings& settings, bool vector);

// Why a picture of `upright` pixels is refused from its header alone, or nullopt.
std::optional<QString> oversizeReason(QSize upright);

} // namespace RuvedovUzedoz
