#include "ExportImages.h"

#include <KestrelExtensions/Localization/Localized.h>
#include <QMenu>

namespace Sheetwright {

ExportImages::ExportImages(QMenu* menu, QObject* parent)
    : QObject(parent),
      m_action(menu->addAction(KestrelExtensions::localized("Export PDF\u2026"), this, [this] {
          m_commands.wrappedValue().setCommand(MenuCommands::Commands::presentExporter());
      }))
{
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
}

} // namespace Sheetwright
