#include "Container.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <cmath>

namespace Preferences {

Container::Container(double contentWidth, double minimumLabelWidth, SectionBuilder sectionBuilder,
                     QWidget* parent)
    : QWidget(parent), m_contentWidth(contentWidth), m_minimumLabelWidth(minimumLabelWidth),
      m_sectionBuilder(std::move(sectionBuilder))
{
    setFixedWidth(int(std::ceil(m_contentWidth)) + 2 * horizontalPadding);
    reload();
}

void Container::reload()
{
    delete m_grid;
    for (const Section& section : std::as_const(m_sections)) {
        delete section.label();
        delete section.content();
    }
    qDeleteAll(m_dividers);
    m_dividers.clear();

    m_grid = new QGridLayout(this);
    m_grid->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    m_grid->setColumnStretch(2, 1);
    m_grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_sections = m_sectionBuilder ? m_sectionBuilder() : QList<Section>();

    int row = 0;
    for (qsizetype index = 0; index < m_sections.size(); ++index) {
        const Section& section = m_sections[index];
        m_grid->addWidget(section.label(), row, 0, Qt::AlignRight | section.verticalAlignment());
        m_grid->addWidget(section.content(), row, 1, Qt::AlignLeft | section.verticalAlignment());
        ++row;
        // Never under the last row.
        if (section.bottomDivider() && index + 1 < m_sections.size()) {
            auto* divider = new QFrame(this);
            divider->setFrameShape(QFrame::HLine);
            divider->setFrameShadow(QFrame::Sunken);
            divider->setFixedSize(int(std::ceil(m_contentWidth)), dividerHeight);
            m_grid->addWidget(divider, row, 0, 1, 3, Qt::AlignLeft | Qt::AlignVCenter);
            m_dividers.append(divider);
            ++row;
        }
    }
    measureLabels();
}

bool Container::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest)
        measureLabels();
    return QWidget::event(event);
}

void Container::measureLabels()
{
    double widest = 0;
    for (const Section& section : std::as_const(m_sections))
        if (section.label())
            widest = std::max(
                widest,
                double(section.label()->sizeHint().expandedTo(section.label()->minimumSize()).width()));
    const bool changed = widest != m_maximumLabelWidth;
    m_maximumLabelWidth = widest;
    placeDividers();
    if (changed)
        emit maximumLabelWidthChanged(widest);
}

void Container::placeDividers()
{
    if (!m_grid)
        return;
    // Dividers begin at the label column's left edge; the minimum label width widens that column only
    // when there is a divider to place.
    const int column =
        m_dividers.isEmpty() ? 0 : int(std::ceil(std::max(m_minimumLabelWidth, m_maximumLabelWidth)));
    if (m_grid->columnMinimumWidth(0) != column)
        m_grid->setColumnMinimumWidth(0, column);
}

} // namespace Preferences
