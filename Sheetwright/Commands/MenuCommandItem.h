#pragma once

#include "MenuCommands.h"

#include <KeyWindow/Publishing/KeyWindowReaders.h>
#include <QKeySequence>
#include <QObject>

class QAction;
class QMenu;

namespace Sheetwright {

// A menu item that sends one fixed command to the key window's command channel.
class MenuCommandItem : public QObject {
    Q_OBJECT
public:
    QAction* action() const { return m_action; }
    // The key window's command channel, else the default one.
    KeyWindow::KeyWindowObservableObject<MenuCommands>& commands() { return m_commands; }

protected:
    MenuCommandItem(QMenu* menu, const QString& title, MenuCommands::Commands command,
                    const QKeySequence& shortcut, QObject* parent);

private:
    KeyWindow::KeyWindowObservableObject<MenuCommands> m_commands;
    QAction* m_action;
};

} // namespace Sheetwright
