#pragma once

#include "MenuCommandItem.h"

namespace Sheetwright {

// The File menu's "Export PDF…" item (Ctrl+Shift+E): exports the key window's PDF.
class ExportImages : public MenuCommandItem {
    Q_OBJECT
public:
    explicit ExportImages(QMenu* menu, QObject* parent = nullptr);
};

} // namespace Sheetwright
