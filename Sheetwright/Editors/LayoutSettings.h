#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "PageStyleView.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Sheet/PDFMetadata.h"

#include <QScrollArea>

class QToolButton;
namespace KestrelExtensions {
class UserDefaults;
}
namespace RuvedovUzedoz {
class PDFProgress;
}

namespace Sheetwright {

class LayoutManager;

// A window's settings column: one vertically scrolling form in four sections, "Page Layout" (with a
// Rotate button), "Metadata", "Style" (with Light and Dark buttons) and "Rendering", editing the window's
// page layout and PDF metadata in place through the bindings. The whole form is disabled while the
// progress says a render runs. Every header action writes the layout once (one change, one undo step,
// none when nothing differs).
//
// Object names: "rotateButton", "lightButton", "darkButton", and each editor's controls (see the editor
// headers).
class LayoutSettings : public QScrollArea {
    Q_OBJECT
public:
    // `manager` defaults to LayoutManager::shared(), `fontFamilies` to the families label drawing can
    // use, `defaults` (the display unit) to UserDefaults::standard().
    LayoutSettings(KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> layout,
                   KestrelExtensions::Binding<RuvedovUzedoz::PDFMetadata> metadata,
                   RuvedovUzedoz::PDFProgress* progress, LayoutManager* manager = nullptr,
                   PageStyleView::FontFamilies fontFamilies = {},
                   KestrelExtensions::UserDefaults* defaults = nullptr, QWidget* parent = nullptr);

    // Applies the saved layout of that name (custom before preset) to the bound layout; an unknown name
    // changes nothing.
    void applyLayout(const QString& name);
    // Swaps the page's width and height.
    void rotate();

    QWidget* form() const { return m_form; }

    // Never narrower than the form: the column scrolls only vertically, so a narrower column would cut
    // its controls off at the right.
    QSize minimumSizeHint() const override;

private:
    KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> m_layout;
    LayoutManager* m_manager;
    QWidget* m_form;
};

} // namespace Sheetwright
