#include "LayoutSettings.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "PDFMetadataView.h"
#include "PageLayoutView.h"
#include "PageRenderingView.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "SecondaryLabel.h"
#include "Sheetwright/Layouts/LayoutManager.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using KestrelExtensions::localized;
using RuvedovUzedoz::PageLayout;

namespace Sheetwright {

namespace {

// The theme's rotate-left icon, or one drawn here (an open circle with an arrow head) when the theme
// has none in a format Qt can read, so the button never shows blank.
QIcon rotateLeftIcon(const QPalette& palette)
{
    QIcon themed = QIcon::fromTheme(QStringLiteral("object-rotate-left"));
    if (!themed.isNull() && !themed.availableSizes().isEmpty())
        return themed;
    QIcon drawn;
    for (int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = side / 16.0;
        QPen pen(palette.color(QPalette::ButtonText), 1.6 * s, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const QRectF circle(3 * s, 3 * s, 10 * s, 10 * s);
        painter.drawArc(circle, 100 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(3.2 * s, 1.8 * s);
        head.lineTo(7.6 * s, 3.0 * s);
        head.lineTo(4.4 * s, 6.4 * s);
        head.closeSubpath();
        painter.setBrush(palette.color(QPalette::ButtonText));
        painter.setPen(Qt::NoPen);
        painter.drawPath(head);
        painter.end();
        drawn.addPixmap(pixmap);
    }
    return drawn;
}

void makeSmall(QWidget* widget)
{
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() - 1.5);
    widget->setFont(font);
}

QLabel* headerTitle(const char* title)
{
    auto* label = new SecondaryLabel(localized(title));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

LayoutSettings::LayoutSettings(KestrelExtensions::Binding<PageLayout> layout,
                               KestrelExtensions::Binding<RuvedovUzedoz::PDFMetadata> metadata,
                               RuvedovUzedoz::PDFProgress* progress, LayoutManager* manager,
                               PageStyleView::FontFamilies fontFamilies,
                               KestrelExtensions::UserDefaults* defaults, QWidget* parent)
    : QScrollArea(parent), m_layout(std::move(layout)),
      m_manager(manager ? manager : &LayoutManager::shared()), m_form(new QWidget)
{
    setObjectName(QStringLiteral("layoutSettings"));
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    m_form->setObjectName(QStringLiteral("layoutSettingsForm"));

    const int padding = 8;
    auto* sections = new QVBoxLayout(m_form);
    sections->setContentsMargins(0, padding, 0, padding);

    auto addSection = [&](QLayout* header, QWidget* content, bool divider) {
        header->setContentsMargins(padding, 0, padding, 0);
        sections->addLayout(header);
        auto* contentBox = new QVBoxLayout;
        // Contents sit further in than their headers: padded on both sides, then once more leading.
        contentBox->setContentsMargins(2 * padding, 0, padding, 0);
        contentBox->addWidget(content);
        sections->addLayout(contentBox);
        if (divider) {
            auto* line = new QFrame;
            line->setObjectName(QStringLiteral("sectionDivider"));
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            sections->addWidget(line);
        }
    };
    auto headerRow = [](const char* title) {
        auto* row = new QHBoxLayout;
        row->addWidget(headerTitle(title));
        row->addStretch(1);
        return row;
    };

    auto* pageHeader = headerRow("Page Layout");
    auto* rotateButton = new QToolButton;
    rotateButton->setObjectName(QStringLiteral("rotateButton"));
    rotateButton->setText(localized("Rotate"));
    rotateButton->setAccessibleName(localized("Rotate"));
    rotateButton->setIcon(rotateLeftIcon(palette()));
    rotateButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    rotateButton->setAutoRaise(true);
    rotateButton->setToolTip(localized("Rotate the page"));
    makeSmall(rotateButton);
    connect(rotateButton, &QToolButton::clicked, this, [this] { rotate(); });
    pageHeader->addWidget(rotateButton);
    addSection(pageHeader, new PageLayoutView(m_layout, defaults), true);

    addSection(headerRow("Metadata"), new PDFMetadataView(std::move(metadata)), true);

    auto* styleHeader = headerRow("Style");
    auto schemeButton = [this](const char* title, const char* name, const char* help) {
        auto* button = new QToolButton;
        button->setObjectName(QString::fromLatin1(name));
        button->setText(localized(title));
        button->setToolTip(localized(help));
        button->setAutoRaise(true);
        makeSmall(button);
        const QString layoutName = QString::fromUtf8(title);
        connect(button, &QToolButton::clicked, this, [this, layoutName] { applyLayout(layoutName); });
        return button;
    };
    styleHeader->setSpacing(2);
    styleHeader->addWidget(
        schemeButton("Light", "lightButton", "Set the background to white and the labels to black"));
    styleHeader->addWidget(
        schemeButton("Dark", "darkButton", "Set the background to dark grey and the labels to white"));
    addSection(styleHeader, new PageStyleView(m_layout, std::move(fontFamilies)), true);

    addSection(headerRow("Rendering"), new PageRenderingView(m_layout), false);
    sections->addStretch(1);

    setWidget(m_form);

    if (progress) {
        m_form->setEnabled(!progress->isRendering());
        connect(progress, &RuvedovUzedoz::PDFProgress::isRenderingChanged, m_form,
                [form = m_form](bool rendering) { form->setEnabled(!rendering); });
    }
}

QSize LayoutSettings::minimumSizeHint() const
{
    QSize hint = QScrollArea::minimumSizeHint();
    // Room for the vertical scroll bar too, which appears as soon as the column is shorter than the form.
    const int formWidth = m_form->minimumSizeHint().width() + 2 * frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    hint.setWidth(std::max(hint.width(), formWidth));
    return hint;
}

void LayoutSettings::applyLayout(const QString& name)
{
    PageLayout layout = m_layout.get();
    if (auto saved = m_manager->layout(LayoutManager::TitleKey(name)))
        layout.apply(*saved);
    m_layout.set(layout);
}

void LayoutSettings::rotate()
{
    PageLayout layout = m_layout.get();
    layout.swapDimensions();
    m_layout.set(layout);
}

} // namespace Sheetwright
