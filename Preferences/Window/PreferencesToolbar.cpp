#include "PreferencesToolbar.h"

#include <QActionGroup>
#include <QWidget>

namespace Preferences {

PreferencesToolbar::PreferencesToolbar(const QString& identifier, QWidget* parent)
    : QToolBar(parent), m_selection(new QActionGroup(this))
{
    setObjectName(identifier);
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setContextMenuPolicy(Qt::PreventContextMenu);
    toggleViewAction()->setVisible(false);
    m_selection->setExclusive(true);
}

void PreferencesToolbar::reloadItems()
{
    clear();
    for (QAction* item : std::as_const(m_items))
        delete item;
    m_items.clear();
    m_identifiers.clear();
    if (!m_delegate)
        return;

    const QStringList allowed = m_delegate->toolbarAllowedItemIdentifiers();
    const QStringList selectable = m_delegate->toolbarSelectableItemIdentifiers();
    for (const QString& identifier : m_delegate->toolbarDefaultItemIdentifiers()) {
        if (identifier == flexibleSpaceIdentifier) {
            auto* space = new QWidget(this);
            space->setObjectName(flexibleSpaceIdentifier);
            space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            addWidget(space);
            m_identifiers.append(identifier);
            continue;
        }
        if (!allowed.contains(identifier))
            continue;
        QAction* item = m_delegate->toolbarItem(identifier, this);
        if (!item)
            continue;
        if (selectable.contains(identifier)) {
            item->setCheckable(true);
            m_selection->addAction(item);
        }
        addAction(item);
        m_items.append(item);
        m_identifiers.append(identifier);
    }
}

QAction* PreferencesToolbar::item(const QString& identifier) const
{
    for (QAction* item : m_items)
        if (item->objectName() == identifier)
            return item;
    return nullptr;
}

QString PreferencesToolbar::selectedItemIdentifier() const
{
    const QAction* checked = m_selection->checkedAction();
    return checked ? checked->objectName() : QString();
}

void PreferencesToolbar::setSelectedItemIdentifier(const QString& identifier)
{
    for (QAction* item : m_selection->actions()) {
        if (item->objectName() == identifier) {
            item->setChecked(true);
            return;
        }
    }
}

} // namespace Preferences
