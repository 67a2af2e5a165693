#include "FixedPane.h"
#include "Preferences/Styles/SegmentedControl.h"
#include "Preferences/Styles/SegmentedControlStyleViewController.h"
#include "Preferences/Styles/ToolbarItemStyleViewController.h"
#include "Preferences/Window/PinToSuperviewEdges.h"
#include "Preferences/Window/PreferencesToolbar.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace Preferences;

namespace {

struct RecordingDelegate : PreferencesStyleControllerDelegate {
    std::vector<std::pair<int, bool>> indices;
    std::vector<std::pair<QString, bool>> identifiers;
    void activateTab(int index, bool animated) override { indices.emplace_back(index, animated); }
    void activateTab(const PaneIdentifier& identifier, bool animated) override
    {
        identifiers.emplace_back(identifier.rawValue, animated);
    }
};

struct ThreePanes {
    FixedPane a{"a", "Alpha", {100, 100}, solidIcon(Qt::red)};
    FixedPane b{"b", "Beta", {100, 100}, solidIcon(Qt::green)};
    FixedPane c{"c", "Gamma", {100, 100}};
    QList<PreferencePane*> list() { return {&a, &b, &c}; }
};

// Toolbar delegate that simply forwards to a style controller, as the window's tab controller does.
struct ForwardingToolbarDelegate : PreferencesToolbarDelegate {
    PreferencesStyleController* style = nullptr;
    bool selectable = true;
    QStringList toolbarDefaultItemIdentifiers() const override { return style->toolbarItemIdentifiers(); }
    QStringList toolbarAllowedItemIdentifiers() const override { return style->toolbarItemIdentifiers(); }
    QStringList toolbarSelectableItemIdentifiers() const override
    {
        return selectable ? style->toolbarItemIdentifiers() : QStringList();
    }
    QAction* toolbarItem(const QString& identifier, QObject* parent) override
    {
        const bool space = identifier == PreferencesToolbar::flexibleSpaceIdentifier;
        return space ? nullptr : style->toolbarItem(PaneIdentifier(identifier), parent);
    }
};

TEST(SegmentSize, TakesTheWidestAndTallestTitlesSeparately)
{
    EXPECT_EQ(SegmentedControlStyleViewController::segmentSize({{60, 16}, {40, 10}, {50, 14}}),
              QSizeF(96, 28));
    EXPECT_EQ(SegmentedControlStyleViewController::segmentSize({{60, 10}, {30, 16}}), QSizeF(96, 28));
    EXPECT_EQ(SegmentedControlStyleViewController::segmentSize({}), QSizeF(36, 12));
}

TEST(SegmentedControlStyle, BuildsOneSegmentPerPaneWithJoinedWidths)
{
    ThreePanes panes;
    SegmentedControlStyleViewController style(panes.list());
    auto* control = static_cast<SegmentedControl*>(style.view());
    ASSERT_EQ(control->segmentCount(), 3);
    EXPECT_EQ(control->objectName(), "toolbarSegmentedControl");
    const QSizeF segment = style.measureSegmentSize();
    const int width = int(std::ceil(segment.width()));
    EXPECT_EQ(control->width(), 3 * width + 3 + 1);
    EXPECT_EQ(control->height(), int(std::ceil(segment.height())));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(control->label(i), panes.list()[i]->preferencePaneTitle());
        EXPECT_EQ(control->tag(i), i);
    }
    EXPECT_EQ(control->tag(3), -1);
    EXPECT_EQ(control->selectedSegment(), -1) << "nothing is picked before a pane is shown";
    control->show();
    EXPECT_EQ(control->segmentButton(2)->geometry().right(), control->width() - 2);
    EXPECT_EQ(control->segmentButton(1)->geometry().left(), width + 2);
    EXPECT_EQ(control->segmentButton(1)->toolButtonStyle(), Qt::ToolButtonTextOnly);
}

TEST(SegmentedControlStyle, PicksReachTheDelegateAnimated)
{
    ThreePanes panes;
    SegmentedControlStyleViewController style(panes.list());
    PreferencesToolbar toolbar("PreferencesToolbar");
    ForwardingToolbarDelegate forward;
    forward.style = &style;
    forward.selectable = false;
    toolbar.setDelegate(&forward);
    toolbar.reloadItems();
    EXPECT_EQ(toolbar.itemIdentifiers(),
              QStringList({PreferencesToolbar::flexibleSpaceIdentifier, "toolbarSegmentedControlItem",
                           PreferencesToolbar::flexibleSpaceIdentifier}));
    toolbar.resize(600, toolbar.sizeHint().height());
    toolbar.show();
    toolbar.layout()->activate();
    auto* control = static_cast<SegmentedControl*>(style.view());
    EXPECT_NEAR(control->mapTo(&toolbar, control->rect().center()).x(), 300, 3)
        << "flexible spaces centre it";
    EXPECT_EQ(toolbar.findChildren<QWidget*>(PreferencesToolbar::flexibleSpaceIdentifier).size(), 2);

    // No delegate yet: a pick is ignored.
    QTest::mouseClick(control->segmentButton(1), Qt::LeftButton);
    ASSERT_NE(style.overflowMenu(), nullptr);
    style.overflowMenu()->actions().value(0)->trigger();

    RecordingDelegate delegate;
    style.setDelegate(&delegate);
    QTest::mouseClick(control->segmentButton(1), Qt::LeftButton);
    const QList<QAction*> menuItems = style.overflowMenu()->actions();
    ASSERT_EQ(menuItems.size(), 3);
    EXPECT_EQ(menuItems[2]->objectName(), "segment-Gamma");
    menuItems[2]->trigger();
    ASSERT_EQ(delegate.indices.size(), 2u);
    EXPECT_EQ(delegate.indices[0], std::make_pair(1, true));
    EXPECT_EQ(delegate.indices[1], std::make_pair(2, true));

    style.selectTab(0);
    EXPECT_EQ(control->selectedSegment(), 0);
    EXPECT_EQ(delegate.indices.size(), 2u) << "selecting in code is not a pick";
    EXPECT_THROW(style.selectTab(3), std::out_of_range);
    EXPECT_THROW(style.toolbarItem(PaneIdentifier("a"), nullptr), std::invalid_argument);
}

TEST(ToolbarItemStyle, ListsThePanesAsSelectableItemsInOrder)
{
    ThreePanes panes;
    PreferencesToolbar toolbar("PreferencesToolbar");
    ToolbarItemStyleViewController style(panes.list(), &toolbar);
    EXPECT_FALSE(style.keepsWindowCentered());
    ForwardingToolbarDelegate forward;
    forward.style = &style;
    toolbar.setDelegate(&forward);
    toolbar.reloadItems();
    toolbar.reloadItems(); // again: the same items, the old ones gone
    ASSERT_EQ(toolbar.itemIdentifiers(), QStringList({"a", "b", "c"}));
    EXPECT_FALSE(toolbar.toggleViewAction()->isVisible()) << "the toolbar cannot be hidden";
    EXPECT_EQ(toolbar.item("b")->text(), "Beta");
    EXPECT_NE(toolbar.widgetForAction(toolbar.item("b")), nullptr) << "the item is on the toolbar";
    EXPECT_FALSE(toolbar.item("a")->icon().isNull());
    EXPECT_TRUE(toolbar.item("c")->icon().isNull());

    toolbar.item("b")->trigger(); // no delegate yet: ignored
    RecordingDelegate delegate;
    style.setDelegate(&delegate);
    toolbar.item("b")->trigger();
    ASSERT_EQ(delegate.identifiers.size(), 1u);
    EXPECT_EQ(delegate.identifiers[0], std::make_pair(QString("b"), true));

    style.selectTab(2);
    EXPECT_EQ(toolbar.selectedItemIdentifier(), "c");
    EXPECT_THROW(style.selectTab(-1), std::out_of_range);
    EXPECT_THROW(style.toolbarItem(PaneIdentifier("zzz"), nullptr), std::invalid_argument);
}

TEST(PinToSuperviewEdges, FollowsTheSuperviewAndLetsGo)
{
    QWidget superview;
    superview.resize(300, 200);
    auto* view = new QWidget(&superview);
    EdgeConstraints constraints = pinToSuperviewEdges(view);
    superview.show();
    superview.resize(420, 160);
    QCoreApplication::sendPostedEvents();
    superview.layout()->activate();
    EXPECT_EQ(view->geometry(), superview.rect());
    EXPECT_TRUE(constraints.isActive());
    constraints.remove();
    EXPECT_FALSE(constraints.isActive());
    EXPECT_EQ(superview.layout()->count(), 0);

    QWidget orphan;
    EXPECT_THROW(pinToSuperviewEdges(&orphan), std::logic_error);
}

} // namespace
