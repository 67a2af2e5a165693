#include "MenuCommands.h"

namespace Sheetwright {

MenuCommands& MenuCommands::defaultValue()
{
    static MenuCommands* instance = new MenuCommands;
    return *instance;
}

void MenuCommands::setCommand(const Commands& command)
{
    m_command = command;
    emit commandChanged(command);
}

} // namespace Sheetwright
