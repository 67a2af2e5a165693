#include "ToolbarItemStyleViewController.h"

#include "Preferences/Window/PreferencesToolbar.h"

#include <QAction>
#include <stdexcept>

namespace Preferences {

ToolbarItemStyleViewController::ToolbarItemStyleViewController(QList<PreferencePane*> preferencePanes,
                                                               PreferencesToolbar* toolbar, QObject* parent)
    : QObject(parent), m_panes(std::move(preferencePanes)), m_toolbar(toolbar)
{
}

QStringList ToolbarItemStyleViewController::toolbarItemIdentifiers() const
{
    QStringList identifiers;
    for (const PreferencePane* pane : m_panes)
        identifiers.append(pane->toolbarItemIdentifier());
    return identifiers;
}

QAction* ToolbarItemStyleViewController::toolbarItem(const PaneIdentifier& preferenceIdentifier,
                                                     QObject* parent)
{
    for (const PreferencePane* pane : m_panes) {
        if (pane->preferencePaneIdentifier() != preferenceIdentifier)
            continue;
        auto* item = new QAction(pane->toolbarItemIcon(), pane->preferencePaneTitle(), parent);
        item->setObjectName(preferenceIdentifier.rawValue);
        connect(item, &QAction::triggered, this, [this, item] { toolbarItemSelected(item); });
        return item;
    }
    throw std::invalid_argument("no pane for toolbar item " + preferenceIdentifier.rawValue.toStdString());
}

void ToolbarItemStyleViewController::selectTab(int index)
{
    if (index < 0 || index >= m_panes.size())
        throw std::out_of_range("no pane at that index");
    if (m_toolbar)
        m_toolbar->setSelectedItemIdentifier(m_panes[index]->toolbarItemIdentifier());
}

void ToolbarItemStyleViewController::toolbarItemSelected(QAction* sender)
{
    if (delegate() && sender)
        delegate()->activateTab(PaneIdentifier(sender->objectName()), true);
}

} // namespace Preferences
