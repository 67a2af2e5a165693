#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "UndoStep.h"

namespace Sheetwright {

// How the Edit menu names a change of a page layout: "Change Margin" for one field, "Rotate Page" for
// exchanged width and height, "Change Layout" for several fields at once. Changes of the same one
// field in a row merge into one step (a slider drag, a run of arrow keys).
UndoStep layoutUndoStep(const RuvedovUzedoz::PageLayout& before, const RuvedovUzedoz::PageLayout& after);

} // namespace Sheetwright
