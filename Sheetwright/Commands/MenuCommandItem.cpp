#include "MenuCommandItem.h"

#include <QMenu>

namespace Sheetwright {

MenuCommandItem::MenuCommandItem(QMenu* menu, const QString& title, MenuCommands::Commands command,
                                 const QKeySequence& shortcut, QObject* parent)
    : QObject(parent), m_action(menu->addAction(
                           title, this, [this, command] { m_commands.wrappedValue().setCommand(command); }))
{
    m_action->setShortcut(shortcut);
}

} // namespace Sheetwright
