// Not called by the application: kept as a library service for other users.
#pragma once

namespace Preferences {

// How a settings window offers its panes: one selectable toolbar item per pane, or one segmented
// control centred in the toolbar. An optional style (std::optional<Style>) adds "none".
enum class Style { toolbarItems, segmentedControl };

} // namespace Preferences
