#pragma once

#include <QWidget>

class QTabWidget;

namespace KestrelUpdater {
class Updater;
class UpdatesPreferencesView;
} // namespace KestrelUpdater

namespace Sheetwright {

class GeneralPreferences;

// The application's settings window: a "General" tab (defaults for new windows) and an "Updates" tab
// (the updater's settings), in that order. Its panes read and write their stores directly; there is
// nothing to apply or cancel.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsWindow(KestrelUpdater::Updater& updater, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }
    GeneralPreferences* general() const { return m_general; }
    KestrelUpdater::UpdatesPreferencesView* updates() const { return m_updates; }

private:
    QTabWidget* m_tabs;
    GeneralPreferences* m_general;
    KestrelUpdater::UpdatesPreferencesView* m_updates;
};

} // namespace Sheetwright
