#pragma once

#include "MenuCommandItem.h"

namespace Sheetwright {

// The File menu's "Open Images…" item (Ctrl+O): opens the key window's file dialog.
class ImportImages : public MenuCommandItem {
    Q_OBJECT
public:
    explicit ImportImages(QMenu* menu, QObject* parent = nullptr);
};

} // namespace Sheetwright
