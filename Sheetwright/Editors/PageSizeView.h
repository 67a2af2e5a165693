#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "Sheetwright/Layouts/LayoutUnits.h"

#include <QWidget>

class QLineEdit;
namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

// The page size row: Width × Height and Margin, shown and typed in the application's display unit
// (user default "units", imperial when unset) while the bound values stay in points. A field writes its
// value when editing ends (Return or focus out) and only when the text was changed and reads as a valid
// size: width and height a side the renderer takes (PageLayout::isRenderableSide, 3 to 14400 pt),
// margin from 0 to the largest side; otherwise it shows the stored value again. A change of "units"
// anywhere re-shows every row at once, without writing.
class PageSizeView : public QWidget {
    Q_OBJECT
public:
    // `defaults` defaults to UserDefaults::standard().
    PageSizeView(KestrelExtensions::Binding<double> width, KestrelExtensions::Binding<double> height,
                 KestrelExtensions::Binding<double> margin,
                 KestrelExtensions::UserDefaults* defaults = nullptr, QWidget* parent = nullptr);

    LayoutUnits selectedUnit() const;

private:
    KestrelExtensions::UserDefaults* m_defaults;
};

} // namespace Sheetwright
