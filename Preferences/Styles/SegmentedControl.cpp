#include "SegmentedControl.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

namespace Preferences {

SegmentedControl::SegmentedControl(QWidget* parent) : QWidget(parent), m_group(new QButtonGroup(this))
{
    auto* layout = new QHBoxLayout(this);
    // One point before, between and after the segments.
    layout->setContentsMargins(1, 0, 1, 0);
    layout->setSpacing(1);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::buttonClicked, this, [this] { emit activated(this); });
}

int SegmentedControl::segmentCount() const
{
    return int(m_buttons.size());
}

void SegmentedControl::setSegmentCount(int count)
{
    while (m_buttons.size() > qMax(0, count)) {
        QToolButton* button = m_buttons.takeLast();
        m_group->removeButton(button);
        delete button;
    }
    while (m_buttons.size() < count) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFocusPolicy(Qt::TabFocus);
        m_group->addButton(button, int(m_buttons.size()));
        layout()->addWidget(button);
        m_buttons.append(button);
    }
    updateSize();
}

void SegmentedControl::setLabel(const QString& label, int segment)
{
    if (QToolButton* button = segmentButton(segment))
        button->setText(label);
}

QString SegmentedControl::label(int segment) const
{
    const QToolButton* button = segmentButton(segment);
    return button ? button->text() : QString();
}

void SegmentedControl::setWidth(int width, int segment)
{
    if (QToolButton* button = segmentButton(segment)) {
        button->setFixedWidth(width);
        updateSize();
    }
}

void SegmentedControl::setTag(int tag, int segment)
{
    if (QToolButton* button = segmentButton(segment))
        m_group->setId(button, tag);
}

int SegmentedControl::tag(int segment) const
{
    const QToolButton* button = segmentButton(segment);
    return button ? m_group->id(const_cast<QToolButton*>(button)) : -1;
}

void SegmentedControl::setSegmentHeight(int height)
{
    m_height = height;
    for (QToolButton* button : m_buttons)
        button->setFixedHeight(height);
    updateSize();
}

int SegmentedControl::selectedSegment() const
{
    for (int i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i]->isChecked())
            return i;
    return -1;
}

void SegmentedControl::setSelectedSegment(int segment)
{
    if (QToolButton* button = segmentButton(segment))
        button->setChecked(true);
}

QToolButton* SegmentedControl::segmentButton(int segment) const
{
    return segment >= 0 && segment < m_buttons.size() ? m_buttons[segment] : nullptr;
}

void SegmentedControl::updateSize()
{
    int width = int(m_buttons.size()) + 1;
    for (const QToolButton* button : m_buttons)
        width +=
            button->maximumWidth() < QWIDGETSIZE_MAX ? button->maximumWidth() : button->sizeHint().width();
    setFixedSize(width, qMax(m_height, 1));
}

} // namespace Preferences
