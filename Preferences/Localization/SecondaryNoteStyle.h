// Not called by the application: kept as a library service for other users.
#pragma once

class QWidget;

namespace Preferences {

// Styles a widget as a secondary note: the interface font at 11/13 of its size, in the palette's
// secondary (placeholder) text colour.
void secondaryNoteStyle(QWidget* widget);

} // namespace Preferences
