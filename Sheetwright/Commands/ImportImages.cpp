#include "ImportImages.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QMenu>

namespace Sheetwright {

ImportImages::ImportImages(QMenu* menu, QObject* parent)
    : QObject(parent),
      m_action(menu->addAction(KestrelExtensions::localized("Open Images\u2026"), this, [this] {
          m_commands.wrappedValue().setCommand(MenuCommands::Commands::presentImporter());
      }))
{
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
}

} // namespace Sheetwright
