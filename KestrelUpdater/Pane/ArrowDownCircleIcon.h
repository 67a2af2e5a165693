#pragma once

#include <QIcon>

namespace KestrelUpdater {

// The Updates pane's icon ("arrow.down.circle"): the desktop theme's update icon where there is one,
// else a down arrow in a circle drawn in the palette's text colour.
QIcon arrowDownCircleIcon();

} // namespace KestrelUpdater
