#include "LayoutSettings.h"

#include "KestrelExtensions/Localization/Localized.h"
#include "PDFMetadataView.h"
#include "PageLayoutView.h"
#include "PageRenderingView.h"
#include "RuvedovUzedoz/Sheet/PDFProgress.h"
#include "SecondaryLabel.h"
#include "Sheetwright/Icons/ThemeIcon.h"
#include "Sheetwright/Layouts/LayoutManager.h"
#include "WheelGuard.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using KestrelExtensions::localized;
using RuvedovUzedoz::PageLayout;

namespace Sheetwright {

namespace {

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
    rotateButton->setIcon(themeIcon(QStringLiteral("object-rotate-left")));
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
    WheelGuard::install(this);

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
