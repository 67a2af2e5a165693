#pragma once

#include "MenuCommands.h"

#include <KeyWindow/Publishing/KeyWindowReaders.h>
#include <QObject>

class QAction;
class QMenu;

namespace Sheetwright {

// The File menu's "Export PDF…" item (Ctrl+Shift+E): exports the key window's PDF.
class ExportImages : public QObject {
    Q_OBJECT
public:
    explicit ExportImages(QMenu* menu, QObject* parent = nullptr);

    QAction* action() const { return m_action; }
    // The key window's command channel, else the default one.
    KeyWindow::KeyWindowObservableObject<MenuCommands>& commands() { return m_commands; }

private:
    KeyWindow::KeyWindowObservableObject<MenuCommands> m_commands;
    QAction* m_action;
};

} // namespace Sheetwright
