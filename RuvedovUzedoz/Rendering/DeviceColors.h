#pragma once

#include "RuvedovUzedoz/Layouts/Color.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"

namespace RuvedovUzedoz {

// A layout colour as the drawing context takes it; a grey g draws as (g, g, g).
inline DeviceColor deviceColor(const Color& color)
{
    return {color.redF(), color.greenF(), color.blueF(), color.alphaF()};
}

} // namespace RuvedovUzedoz
