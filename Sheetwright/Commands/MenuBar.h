#pragma once

#include <QObject>
#include <functional>

class QMainWindow;
class QMenuBar;
class QUndoStack;

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

class ExportImages;
class ImportImages;
class LayoutCommands;
class LayoutManager;

// One main window's menu bar: File (New Window, Open Images…, Close Window, Export PDF…, Quit), Edit
// (Undo, Redo, Settings…), View (the sidebar), Layout and Help (About, Check for Updates…). The items
// that act on a window write into the key window's command channel, each group through its own reader of it.
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
    ImportImages* importImages() const { return m_importImages; }
    ExportImages* exportImages() const { return m_exportImages; }
    LayoutCommands* layoutCommands() const { return m_layoutCommands; }

private:
    QMenuBar* m_menuBar;
    ImportImages* m_importImages;
    ExportImages* m_exportImages;
    LayoutCommands* m_layoutCommands;
};

} // namespace Sheetwright
