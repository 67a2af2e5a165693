#include "PageStyleView.h"

#include "ColorWell.h"
#include "ElidedText.h"
#include "KestrelExtensions/Localization/Localized.h"
#include "LabelledView.h"
#include "NumberPicker.h"
#include "RuvedovUzedoz/Rendering/FontFamilies.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

using KestrelExtensions::localized;
using RuvedovUzedoz::PageLayout;

namespace Sheetwright {

const QList<double>& PageStyleView::fontSizes()
{
    static const QList<double> sizes{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 18, 24, 36};
    return sizes;
}

PageStyleView::PageStyleView(KestrelExtensions::Binding<PageLayout> layout, FontFamilies fontFamilies,
                             QWidget* parent)
    : QWidget(parent), m_layout(std::move(layout))
{
    if (!fontFamilies)
        fontFamilies = [] { return RuvedovUzedoz::availableFontFamilies(); };

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    auto toggle = [&](const char* title, const char* name, const char* help, bool PageLayout::*field) {
        auto* box = new QCheckBox(localized(title), this);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(localized(help));
        connect(box, &QCheckBox::clicked, this,
                [binding = m_layout.member(field)](bool on) { binding.set(on); });
        return box;
    };

    m_showsLabel = toggle("Show Labels", "showLabels", "Include filename labels under each image",
                          &PageLayout::showsLabel);
    rows->addWidget(m_showsLabel);

    m_fontRow = new QWidget(this);
    auto* fontRow = new QHBoxLayout(m_fontRow);
    fontRow->setContentsMargins(0, 0, 0, 0);

    m_fontName = new QComboBox;
    m_fontName->setObjectName(QStringLiteral("fontNamePicker"));
    // Filled once: a family list can be long, and a refresh only moves the selection.
    for (const QString& family : fontFamilies()) {
        m_fontName->addItem(family, family);
        const int index = m_fontName->count() - 1;
        m_fontName->setItemData(index, QFont(family, 12), Qt::FontRole);
        m_fontName->setItemData(index, family, Qt::ToolTipRole);
    }
    // Room for a usual family name in the box; the open list is as wide as its longest name.
    m_fontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontName->setMinimumContentsLength(18);
    m_fontName->view()->setTextElideMode(Qt::ElideNone);
    m_fontName->view()->setMinimumWidth(m_fontName->view()->sizeHintForColumn(0) +
                                        m_fontName->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                        2 * m_fontName->view()->frameWidth());
    connect(m_fontName, &QComboBox::activated, this,
            [this, binding = m_layout.member(&PageLayout::fontName)](int index) {
                if (index >= 0)
                    binding.set(m_fontName->itemData(index).toString());
            });
    auto* fontNameStack = new LabelledView(QStringLiteral("Font Name"), m_fontName);
    fontNameStack->setToolTip(localized("Choose the label font family"));
    fontRow->addWidget(fontNameStack, 1);

    m_fontSize = new NumberPicker;
    m_fontSize->setObjectName(QStringLiteral("fontSizePicker"));
    for (double size : fontSizes())
        m_fontSize->addOption(QString::number(size) + QStringLiteral(" pt"), size);
    connect(m_fontSize, &NumberPicker::valueChosen, this,
            [binding = m_layout.member(&PageLayout::fontSize)](double size) { binding.set(size); });
    auto* fontSizeStack = new LabelledView(QStringLiteral("Font Size"), m_fontSize);
    fontSizeStack->setFixedWidth(100);
    fontSizeStack->setToolTip(localized("Set the font size"));
    fontRow->addWidget(fontSizeStack);

    auto* fontColor = new ColorWell(m_layout.member(&PageLayout::fontColor), QStringLiteral("Font Color"));
    fontColor->setObjectName(QStringLiteral("fontColorWell"));
    auto* fontColorStack = new LabelledView(QStringLiteral("Color"), fontColor);
    fontColor->setAccessibleName(localized("Font Color"));
    fontColorStack->setToolTip(localized("Click to choose the label color"));
    fontRow->addWidget(fontColorStack);
    rows->addWidget(m_fontRow);

    m_drawsBackground = toggle("Draw Background", "drawBackground", "Render the page background",
                               &PageLayout::drawsBackground);
    rows->addWidget(m_drawsBackground);

    auto* background =
        new ColorWell(m_layout.member(&PageLayout::backgroundColor), QStringLiteral("Background Color"));
    background->setObjectName(QStringLiteral("backgroundColorWell"));
    background->setFixedSize(45, 24);
    background->setToolTip(localized("Click to choose the background color"));
    m_backgroundStack = new WideLabelledView(QStringLiteral("Background Color"), background, this);
    rows->addWidget(m_backgroundStack, 0, Qt::AlignLeft);

    m_drawsBoundingBox = toggle("Draw Bounding Boxes", "drawBoundingBoxes", "Render debug bounding boxes",
                                &PageLayout::drawsBoundingBox);
    rows->addWidget(m_drawsBoundingBox);
    m_drawsImages =
        toggle("Draw Images", "drawImages", "Render images on the page", &PageLayout::drawsImages);
    rows->addWidget(m_drawsImages);

    m_layout.onChange(this, [this] { refresh(); });
    refresh();
}

void PageStyleView::refresh()
{
    const PageLayout layout = m_layout.get();
    for (auto [box, on] : {std::pair{m_showsLabel, layout.showsLabel},
                           {m_drawsBackground, layout.drawsBackground},
                           {m_drawsBoundingBox, layout.drawsBoundingBox},
                           {m_drawsImages, layout.drawsImages}}) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    }
    {
        const QSignalBlocker blocker(m_fontName);
        // Exact name only: an uninstalled family shows no selection and stays stored; its name is shown
        // dimmed so the user still sees what the labels ask for. The box measures its placeholder, so a
        // name from a layout file is cut to the box's usual width rather than widening the column.
        const QFontMetrics metrics = m_fontName->fontMetrics();
        const int room = m_fontName->minimumContentsLength() * metrics.horizontalAdvance(QLatin1Char('X'));
        m_fontName->setPlaceholderText(elidedForDisplay(layout.fontName, metrics, room));
        m_fontName->setCurrentIndex(m_fontName->findData(layout.fontName, Qt::UserRole, Qt::MatchExactly));
    }
    m_fontSize->setValue(layout.fontSize);
    m_fontRow->setEnabled(layout.showsLabel);
    m_backgroundStack->setEnabled(layout.drawsBackground);
}

} // namespace Sheetwright
