#include "MenuBar.h"

#include "ExportImages.h"
#include "ImportImages.h"
#include "LayoutCommands.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KestrelExtensions/Localization/Localized.h>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QUndoStack>

namespace Sheetwright {

using KestrelExtensions::localized;

MenuBar::MenuBar(QMainWindow* window, QUndoStack& undoStack, KestrelExtensions::UserDefaults& defaults,
                 LayoutManager& layoutManager, Actions actions)
    : QObject(window), m_menuBar(new QMenuBar(window))
{
    window->setMenuBar(m_menuBar);

    QMenu* file = m_menuBar->addMenu(localized("&File"));
    file->addAction(localized("New Window"), this, std::move(actions.newWindow))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_importImages = new ImportImages(file, this);
    file->addSeparator();
    file->addAction(localized("Close Window"), window, &QWidget::close)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_exportImages = new ExportImages(file, this);
    file->addSeparator();
    file->addAction(localized("Quit"), qApp, &QApplication::closeAllWindows)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = m_menuBar->addMenu(localized("&Edit"));
    QAction* undo = undoStack.createUndoAction(edit, localized("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = undoStack.createRedoAction(edit, localized("Redo"));
    redo->setShortcut(QKeySequence::Redo);
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(localized("Settings\u2026"), this, std::move(actions.showSettings))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));

    QMenu* view = m_menuBar->addMenu(localized("&View"));
    view->addAction(localized("Toggle Sidebar"), this, std::move(actions.toggleSidebar))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));

    QMenu* layout = m_menuBar->addMenu(localized("Layout"));
    m_layoutCommands = new LayoutCommands(layout, defaults, layoutManager, this);

    QMenu* help = m_menuBar->addMenu(localized("&Help"));
    help->addAction(localized("About Sheetwright"), window, [window] {
        QMessageBox::about(window, localized("About Sheetwright"),
                           localized("Sheetwright %1\nContact sheets of your photographs, as PDF.")
                               .arg(QCoreApplication::applicationVersion()));
    });
    // Addresses the updater itself: works whatever window is key.
    help->addAction(localized("Check for Updates\u2026"), this, std::move(actions.checkForUpdates));
}

} // namespace Sheetwright
