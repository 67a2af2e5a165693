#include "SegmentedPicker.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace Sheetwright {

SegmentedPicker::SegmentedPicker(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
}

void SegmentedPicker::addSegment(const QString& text, double value)
{
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setAccessibleName(text);
    button->setCheckable(true);
    // Selection is kept by hand: an exclusive group could not show "none selected".
    button->setAutoExclusive(false);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setObjectName(QStringLiteral("segment%1").arg(m_segments.size()));
    const int index = int(m_segments.size());
    connect(button, &QToolButton::clicked, this, [this, index] {
        setValue(m_values[index]);
        emit valueChosen(m_values[index]);
    });
    layout()->addWidget(button);
    m_segments.append(button);
    m_values.append(value);
}

void SegmentedPicker::setValue(double value)
{
    for (qsizetype i = 0; i < m_segments.size(); ++i) {
        QToolButton* segment = m_segments[i];
        const bool selected = m_values[i] == value;
        const QSignalBlocker blocker(segment);
        segment->setChecked(selected);
        // Styles draw a checked tool button barely apart from the others in dark palettes; the selection
        // colours make the chosen segment plain in any theme.
        QPalette colours = palette();
        if (selected)
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                colours.setColor(group, QPalette::Button, colours.color(group, QPalette::Highlight));
                colours.setColor(group, QPalette::ButtonText,
                                 colours.color(group, QPalette::HighlightedText));
            }
        segment->setPalette(colours);
    }
}

} // namespace Sheetwright
