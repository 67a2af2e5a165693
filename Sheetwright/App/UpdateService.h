#pragma once

class QWidget;

namespace Sheetwright {

// What the application asks of the software updater: a check when the user asks for one, and the
// settings window, whose Updates pane edits the updater's settings. The updater, or a stand-in in tests.
class UpdateService {
public:
    virtual ~UpdateService() = default;
    virtual void checkForUpdates() = 0;
    // A new settings window (General, then Updates); the caller owns it.
    virtual QWidget* makeSettingsWindow() = 0;
};

} // namespace Sheetwright
