#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;

namespace Sheetwright {

class ColorWell;
class LabelledView;
class NumberPicker;

// The "Style" section's content: labels on or off with their font family, size and colour; background
// on or off with its colour; bounding boxes; images. The font row follows "Show Labels" and the
// background well follows "Draw Background" (disabled, values kept).
class PageStyleView : public QWidget {
    Q_OBJECT
public:
    // The installed font family names, in the order to offer them.
    using FontFamilies = std::function<QStringList()>;

    // `fontFamilies` defaults to the families that label drawing can use.
    explicit PageStyleView(KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> layout,
                           FontFamilies fontFamilies = {}, QWidget* parent = nullptr);

    // The offered font sizes: 4 to 14, 18, 24 and 36 points.
    static const QList<double>& fontSizes();

private:
    void refresh();

    KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> m_layout;
    QCheckBox* m_showsLabel;
    QWidget* m_fontRow;
    QComboBox* m_fontName;
    NumberPicker* m_fontSize;
    QCheckBox* m_drawsBackground;
    LabelledView* m_backgroundStack;
    QCheckBox* m_drawsBoundingBox;
    QCheckBox* m_drawsImages;
};

} // namespace Sheetwright
