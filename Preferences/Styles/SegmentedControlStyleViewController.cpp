#include "SegmentedControlStyleViewController.h"

#include "Preferences/Window/PreferencesToolbar.h"
#include "SegmentedControl.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QToolButton>
#include <QWidgetAction>
#include <cmath>
#include <stdexcept>

namespace Preferences {

SegmentedControlStyleViewController::SegmentedControlStyleViewController(
    QList<PreferencePane*> preferencePanes, QObject* parent)
    : QObject(parent), m_panes(std::move(preferencePanes))
{
}

SegmentedControlStyleViewController::~SegmentedControlStyleViewController()
{
    // Still ours when no toolbar took it.
    if (m_control && !m_control->parent())
        delete m_control;
    if (m_menu && !m_menu->parent())
        delete m_menu;
}

QWidget* SegmentedControlStyleViewController::view()
{
    if (!m_control)
        m_control = buildSegmentedControl();
    return m_control;
}

QSizeF SegmentedControlStyleViewController::segmentSize(const QList<QSizeF>& titleSizes)
{
    double width = 0;
    double height = 0;
    for (const QSizeF& size : titleSizes) {
        width = std::max(width, size.width());
        height = std::max(height, size.height());
    }
    return {width + extraSegmentWidth, height + extraSegmentHeight};
}

QSizeF SegmentedControlStyleViewController::measureSegmentSize() const
{
    const QFontMetricsF metrics(QApplication::font());
    QList<QSizeF> sizes;
    for (const PreferencePane* pane : m_panes)
        sizes.append(metrics.size(Qt::TextSingleLine, pane->preferencePaneTitle()));
    return segmentSize(sizes);
}

SegmentedControl* SegmentedControlStyleViewController::buildSegmentedControl()
{
    auto* control = new SegmentedControl;
    const int count = int(m_panes.size());
    control->setSegmentCount(count);
    control->setObjectName(controlIdentifier);
    connect(control, &SegmentedControl::activated, this,
            &SegmentedControlStyleViewController::segmentedControlAction);

    const QSizeF size = measureSegmentSize();
    const int segmentWidth = int(std::ceil(size.width()));
    control->setSegmentHeight(int(std::ceil(size.height())));
    for (int i = 0; i < count; ++i) {
        control->setLabel(m_panes[i]->preferencePaneTitle(), i);
        control->setWidth(segmentWidth, i);
        control->setTag(i, i);
        control->segmentButton(i)->setObjectName(segmentPrefix + m_panes[i]->preferencePaneTitle());
    }
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(control, &QWidget::customContextMenuRequested, this, [this, control](const QPoint& at) {
        if (m_menu)
            m_menu->popup(control->mapToGlobal(at));
    });
    return control;
}

QStringList SegmentedControlStyleViewController::toolbarItemIdentifiers() const
{
    return {PreferencesToolbar::flexibleSpaceIdentifier, itemIdentifier,
            PreferencesToolbar::flexibleSpaceIdentifier};
}

QAction* SegmentedControlStyleViewController::toolbarItem(const PaneIdentifier& preferenceIdentifier,
                                                          QObject* parent)
{
    if (preferenceIdentifier.rawValue != itemIdentifier)
        throw std::invalid_argument("the segmented-control style has no toolbar item " +
                                    preferenceIdentifier.rawValue.toStdString());
    auto* group = new QWidgetAction(parent);
    group->setObjectName(itemIdentifier);
    group->setDefaultWidget(view());

    delete m_menu;
    m_menu = new QMenu(view());
    for (int i = 0; i < m_panes.size(); ++i) {
        const QString title = m_panes[i]->preferencePaneTitle();
        QAction* subitem = m_menu->addAction(title);
        subitem->setObjectName(segmentPrefix + title);
        subitem->setData(i);
        connect(subitem, &QAction::triggered, this, [this, subitem] { segmentedControlMenuAction(subitem); });
    }
    group->setMenu(m_menu);
    return group;
}

void SegmentedControlStyleViewController::selectTab(int index)
{
    if (index < 0 || index >= m_panes.size())
        throw std::out_of_range("no pane at that index");
    static_cast<SegmentedControl*>(view())->setSelectedSegment(index);
}

void SegmentedControlStyleViewController::segmentedControlAction(SegmentedControl* sender)
{
    if (delegate() && sender)
        delegate()->activateTab(sender->selectedSegment(), true);
}

void SegmentedControlStyleViewController::segmentedControlMenuAction(QAction* sender)
{
    if (delegate() && sender)
        delegate()->activateTab(sender->data().toInt(), true);
}

} // namespace Preferences
