#pragma once

#include "MenuCommands.h"

#include <KeyWindow/Publishing/KeyWindowReaders.h>
#include <QObject>
#include <functional>

class QMainWindow;
class QMenuBar;
class QUndoStack;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

class LayoutCommands;
class LayoutManager;

// One main window's menu bar: File (New Window, Open Images…, Close Window, Export PDF…, Quit), Edit
// (Undo, Redo, Settings…), View (the sidebar), Layout and Help (About, Check for Updates…). The items
// that act on a window write into the key window's command channel.
class MenuBar : public QObject {
    Q_OBJECT
public:
    // What the menu bar's application-wide items do.
    struct Actions {
        std::function<void()> newWindow;
        std::function<void()> showSettings;
        std::function<void()> checkForUpdates;
        std::function<void()> toggleSidebar;
    };

    MenuBar(QMainWindow* window, QUndoStack& undoStack, KestrelExtensions::UserDefaults& defaults,
            LayoutManager& layoutManager, Actions actions);

    QMenuBar* menuBar() const { return m_menuBar; }
    // Writes `command` into the key window's channel (else the default one).
    void send(const MenuCommands::Commands& command);

private:
    QMenuBar* m_menuBar;
    KeyWindow::KeyWindowObservableObject<MenuCommands> m_commands;
    LayoutCommands* m_layoutCommands;
};

} // namespace Sheetwright
