#pragma once

#include "Preferences/Pane/Pane.h"

namespace KestrelUpdater {

class Updater;

// The Updates pane as a value for a settings window: identifier "updates", title "Updates", the
// arrow-down-circle icon, and as content a new Updates pane on the shared updater. Made once.
const Preferences::Pane& updatesPane();

// The Updates pane hosted as a settings-window pane, made on first use. The caller (or the window it is
// put in) owns it; once it is gone the next call makes another.
Preferences::PreferencePane* updatesPreferencePane();

} // namespace KestrelUpdater
