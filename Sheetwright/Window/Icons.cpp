#include "Icons.h"

#include <QApplication>
#include <QStyle>
#include <cstring>

namespace Sheetwright {

namespace {
struct Symbol {
    const char* name;
    const char* themeName;
    QStyle::StandardPixmap fallback;
};
constexpr Symbol symbols[] = {
    {"sidebar.leading", "sidebar-show", QStyle::SP_FileDialogListView},
    {"doc.richtext", "view-refresh", QStyle::SP_BrowserReload},
    {"square.and.arrow.down", "document-save", QStyle::SP_DialogSaveButton},
    {"plus", "list-add", QStyle::SP_FileDialogNewFolder},
    {"minus", "list-remove", QStyle::SP_TrashIcon},
    {"gear", "preferences-system", QStyle::SP_FileDialogDetailedView},
    {"arrow.down.circle", "system-software-update", QStyle::SP_ArrowDown},
};
} // namespace

QIcon symbolIcon(const char* symbolName)
{
    for (const Symbol& symbol : symbols) {
        if (std::strcmp(symbol.name, symbolName) == 0)
            return QIcon::fromTheme(QString::fromLatin1(symbol.themeName),
                                    QApplication::style()->standardIcon(symbol.fallback));
    }
    return {};
}

} // namespace Sheetwright
