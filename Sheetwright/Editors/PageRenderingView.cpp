#include "PageRenderingView.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "LabelledView.h"
#include "SegmentedPicker.h"
#include "Sheetwright/Layouts/ImageQuality.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

using KestrelExtensions::localized;
using RuvedovUzedoz::PageLayout;

namespace Sheetwright {

PageRenderingView::PageRenderingView(KestrelExtensions::Binding<PageLayout> layout, QWidget* parent)
    : QWidget(parent), m_layout(std::move(layout))
{
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);

    m_compressor = new QCheckBox(localized("Enable Compressor"), this);
    m_compressor->setObjectName(QStringLiteral("enableCompressor"));
    m_compressor->setToolTip(localized("Compress images in the PDF"));
    connect(m_compressor, &QCheckBox::clicked, this,
            [binding = m_layout.member(&PageLayout::enableQuartz)](bool on) { binding.set(on); });
    rows->addWidget(m_compressor);

    m_quality = new SegmentedPicker;
    m_quality->setObjectName(QStringLiteral("imageQualityPicker"));
    const auto& qualities = allImageQualities();
    // Smallest size first, so the segments grow from the leading edge.
    for (auto quality = qualities.rbegin(); quality != qualities.rend(); ++quality)
        m_quality->addSegment(label(*quality), rawValue(*quality));
    connect(m_quality, &SegmentedPicker::valueChosen, this,
            [binding = m_layout.member(&PageLayout::imageSizeMax)](double size) { binding.set(size); });
    auto* qualityStack = new LabelledView(QStringLiteral("Image Quality"), m_quality, this);
    qualityStack->setToolTip(localized("The rendered image quality"));
    rows->addWidget(qualityStack);

    auto* sliderRow = new QWidget;
    auto* sliderLayout = new QHBoxLayout(sliderRow);
    sliderLayout->setContentsMargins(0, 0, 0, 0);
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setObjectName(QStringLiteral("compressionQualitySlider"));
    m_slider->setAccessibleName(localized("Compression Quality"));
    m_slider->setRange(0, 10);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(1);
    // Each position a drag passes is stored as it is reached, like a key press.
    m_slider->setTracking(true);
    m_slider->setTickPosition(QSlider::NoTicks);
    auto* minimum = new QLabel(localized("0"));
    minimum->setObjectName(QStringLiteral("minimumLabel"));
    auto* maximum = new QLabel(localized("100"));
    maximum->setObjectName(QStringLiteral("maximumLabel"));
    sliderLayout->addWidget(minimum);
    sliderLayout->addWidget(m_slider, 1);
    sliderLayout->addWidget(maximum);
    // Slider positions are tenths; store them as such (0.3, not 3 × 0.1).
    connect(m_slider, &QSlider::valueChanged, this,
            [binding = m_layout.member(&PageLayout::imageQuality)](int tenth) { binding.set(tenth / 10.0); });
    m_sliderStack = new LabelledView(QStringLiteral("Compression Quality"), sliderRow, this);
    m_sliderStack->setStretchesControl(true);
    m_sliderStack->setToolTip(localized("The image compression quality"));
    rows->addWidget(m_sliderStack);
    rows->addSpacing(8);

    m_layout.onChange(this, [this] { refresh(); });
    refresh();
}

void PageRenderingView::refresh()
{
    const PageLayout layout = m_layout.get();
    {
        const QSignalBlocker blocker(m_compressor);
        m_compressor->setChecked(layout.enableQuartz);
    }
    m_quality->setValue(layout.imageSizeMax);
    {
        const QSignalBlocker blocker(m_slider);
        const double tenths = std::isfinite(layout.imageQuality) ? layout.imageQuality * 10.0 : 0.0;
        m_slider->setValue(int(std::clamp(std::lround(tenths), 0L, 10L)));
    }
    m_quality->setEnabled(layout.enableQuartz);
    m_sliderStack->setEnabled(layout.enableQuartz);
}

} // namespace Sheetwright
