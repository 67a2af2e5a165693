#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QWidget>

namespace KestrelExtensions {
class UserDefaults;
}

namespace Sheetwright {

// The "Page Layout" section's content: the page size row and, under it, Rows × Columns (1 to 10 each).
// Touches only width, height, margin, rows and columns.
class PageLayoutView : public QWidget {
    Q_OBJECT
public:
    explicit PageLayoutView(KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> layout,
                            KestrelExtensions::UserDefaults* defaults = nullptr, QWidget* parent = nullptr);

private:
    void refresh();

    KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> m_layout;
    class NumberPicker* m_rows;
    class NumberPicker* m_columns;
};

} // namespace Sheetwright
