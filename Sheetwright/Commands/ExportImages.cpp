#include "ExportImages.h"

#include <KestrelExtensions/Localization/Localized.h>

namespace Sheetwright {

ExportImages::ExportImages(QMenu* menu, QObject* parent)
    : MenuCommandItem(menu, KestrelExtensions::localized("Export PDF\u2026"),
                      MenuCommands::Commands::presentExporter(),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), parent)
{
}

} // namespace Sheetwright
