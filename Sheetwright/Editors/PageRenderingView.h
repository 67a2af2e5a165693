#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QWidget>

class QCheckBox;
class QSlider;

namespace Sheetwright {

class SegmentedPicker;
class LabelledView;

// The "Rendering" section's content: the compression switch (`enableQuartz`), the largest image size
// (`imageSizeMax`, one segment per ImageQuality from the smallest) and the compression quality
// (`imageQuality`, 0 to 1 in steps of 0.1). The picker and the slider are disabled while the switch is
// off and keep their values.
class PageRenderingView : public QWidget {
    Q_OBJECT
public:
    explicit PageRenderingView(KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> layout,
                               QWidget* parent = nullptr);

private:
    void refresh();

    KestrelExtensions::Binding<RuvedovUzedoz::PageLayout> m_layout;
    QCheckBox* m_compressor;
    SegmentedPicker* m_quality;
    QSlider* m_slider;
    LabelledView* m_sliderStack;
};

} // namespace Sheetwright
