#include "WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace Sheetwright {

WheelGuard::WheelGuard(QAbstractScrollArea* area) : QObject(area), m_area(area) {}

void WheelGuard::install(QAbstractScrollArea* area)
{
    auto* guard = new WheelGuard(area);
    QWidget* content = area->viewport();
    if (auto* scrollArea = qobject_cast<QScrollArea*>(area); scrollArea && scrollArea->widget())
        content = scrollArea->widget();
    for (QWidget* child : content->findChildren<QWidget*>()) {
        if (qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractSpinBox*>(child) ||
            (qobject_cast<QAbstractSlider*>(child) && !qobject_cast<QScrollBar*>(child)))
            guard->guard(child);
    }
}

void WheelGuard::guard(QWidget* control)
{
    // The wheel alone must not give a control focus, or the next turn would edit it after all.
    if (control->focusPolicy() == Qt::WheelFocus)
        control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(this);
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto* control = static_cast<QWidget*>(watched);
    if (control->hasFocus())
        return false;
    // The turn scrolls the column instead, as it would over a label.
    QCoreApplication::sendEvent(m_area->verticalScrollBar(), event);
    return true;
}

} // namespace Sheetwright
