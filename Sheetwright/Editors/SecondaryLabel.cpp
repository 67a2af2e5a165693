#include "SecondaryLabel.h"

#include <QEvent>

namespace Sheetwright {

SecondaryLabel::SecondaryLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    applyColour();
}

void SecondaryLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyColour();
}

void SecondaryLabel::applyColour()
{
    if (m_applying)
        return; // setPalette below announces a palette change of its own
    m_applying = true;
    const QPalette source = parentWidget() ? parentWidget()->palette() : QPalette();
    QPalette colours = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        colours.setColor(group, QPalette::WindowText, source.color(group, QPalette::PlaceholderText));
    setPalette(colours);
    m_applying = false;
}

} // namespace Sheetwright
