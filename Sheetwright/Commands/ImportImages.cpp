#include "ImportImages.h"

#include <KestrelExtensions/Localization/Localized.h>

namespace Sheetwright {

ImportImages::ImportImages(QMenu* menu, QObject* parent)
    : MenuCommandItem(menu, KestrelExtensions::localized("Open Images\u2026"),
                      MenuCommands::Commands::presentImporter(), QKeySequence(Qt::CTRL | Qt::Key_O), parent)
{
}

} // namespace Sheetwright
