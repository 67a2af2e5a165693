#pragma once

#include "MenuCommands.h"

#include <KeyWindow/Publishing/KeyWindowReaders.h>
#include <QObject>

class QActionGroup;
class QMenu;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

// The "Layout" menu: Rotate Page, the Units choice, Set Layout (default, presets and custom layouts),
// Save Custom Layout… and Delete Custom Layout. Every item but Units sends one command to the key
// window; Units writes the app-wide display unit. Custom layouts are listed afresh each time their
// submenu opens.
class LayoutCommands : public QObject {
    Q_OBJECT
public:
    LayoutCommands(QMenu* menu, KestrelExtensions::UserDefaults& defaults, LayoutManager& layoutManager,
                   QObject* parent = nullptr);

    // Writes `command` into the key window's channel, or the default one while no main window is key.
    void send(const MenuCommands::Commands& command);
    // The key window's command channel, else the default one.
    KeyWindow::KeyWindowObservableObject<MenuCommands>& commands() { return m_commands; }

    // The custom layout names in menu order: plain code-point order of the names.
    static QStringList customLayoutNames(const LayoutManager& layoutManager);

private:
    void fillCustomRows(QMenu* menu, MenuCommands::Commands (*command)(LayoutManager::TitleKey));
    void refreshUnits();

    KestrelExtensions::UserDefaults& m_defaults;
    LayoutManager& m_layoutManager;
    KeyWindow::KeyWindowObservableObject<MenuCommands> m_commands;
    QActionGroup* m_units;
};

// Escapes "&" so that a name is shown as typed instead of marking a shortcut letter.
QString menuText(const QString& verbatim);

} // namespace Sheetwright
