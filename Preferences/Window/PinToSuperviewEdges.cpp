#include "PinToSuperviewEdges.h"

#include <QLayout>
#include <QVBoxLayout>
#include <stdexcept>

namespace Preferences {

bool EdgeConstraints::isActive() const
{
    return m_superview && m_view && m_superview->layout() && m_superview->layout()->indexOf(m_view) >= 0;
}

void EdgeConstraints::remove()
{
    if (isActive())
        m_superview->layout()->removeWidget(m_view);
    m_superview = nullptr;
    m_view = nullptr;
}

EdgeConstraints pinToSuperviewEdges(QWidget* view)
{
    if (!view || !view->parentWidget())
        throw std::logic_error("pinToSuperviewEdges needs a view inside a superview");
    QWidget* superview = view->parentWidget();
    QLayout* layout = superview->layout();
    if (!layout) {
        layout = new QVBoxLayout(superview);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    if (layout->indexOf(view) < 0)
        layout->addWidget(view);
    view->show();
    return EdgeConstraints(superview, view);
}

} // namespace Preferences
