#include "FixedPane.h"
#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "Preferences/Pane/Pane.h"
#include "Preferences/Styles/SegmentedControl.h"
#include "Preferences/Styles/SegmentedControlStyleViewController.h"
#include "Preferences/Window/FrameAutosave.h"
#include "Preferences/Window/PreferencesTabViewController.h"
#include "Preferences/Window/PreferencesWindowController.h"
#include "Preferences/Window/UserInteractionPausableWindow.h"
#include "support/TestEnvironment.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace Preferences;
using KestrelExtensions::UserDefaults;

namespace {

struct WindowFixture : ::testing::Test {
    UserDefaults store{TestSupport::temporaryHome() + "/window.ini"};

    void SetUp() override
    {
        QGuiApplication::setApplicationDisplayName("TestApp");
        store.remove(PreferencesWindowController::frameAutosaveName);
    }

    static QList<PreferencePane*> twoPanes()
    {
        return {new FixedPane("general", "General", {300, 200}),
                new FixedPane("updates", "Updates", {500, 120})};
    }

    static int toolbarHeight(PreferencesWindowController& controller)
    {
        const auto* toolbar = controller.tabViewController()->toolbar();
        return toolbar->isHidden() ? 0 : toolbar->sizeHint().height();
    }
};

TEST_F(WindowFixture, RefusesAnEmptyPaneListAndStartsHiddenWithNoPaneShownAndPanesInOrder)
{
    EXPECT_THROW(
        PreferencesWindowController(QList<PreferencePane*>{}, Style::toolbarItems, true, true, &store),
        std::invalid_argument);
    const Pane first(PaneIdentifier("first"), "First", QIcon(), [] { return new QPushButton("one"); });
    const Pane second(PaneIdentifier("second"), "Second", QIcon(), [] { return new QPushButton("two"); });
    PreferencesWindowController controller(QList<const PreferencePaneConvertible*>{&first, &second},
                                           Style::toolbarItems, false, true, &store);
    const auto& panes = controller.tabViewController()->preferencePanes();
    ASSERT_EQ(panes.size(), 2);
    EXPECT_EQ(panes[0]->preferencePaneIdentifier(), PaneIdentifier("first"));
    EXPECT_EQ(panes[1]->preferencePaneTitle(), "Second");
    EXPECT_FALSE(controller.tabViewController()->activeTab().has_value());
    EXPECT_FALSE(controller.window()->isVisible());
    EXPECT_FALSE(store.contains(PreferencesWindowController::frameAutosaveName));
}

TEST_F(WindowFixture, ASinglePaneHidesTheToolbarAndTitlesTheWindowAfterTheApplication)
{
    PreferencesWindowController single({new FixedPane("only", "Only", {200, 100})}, Style::segmentedControl,
                                       true, true, &store);
    EXPECT_TRUE(single.tabViewController()->toolbar()->isHidden());
    single.show();
    EXPECT_EQ(single.window()->size(), QSize(200, 100));
    EXPECT_TRUE(single.isTitleVisible());
    EXPECT_EQ(single.window()->windowTitle(), "TestApp Preferences");
    single.setHidesToolbarForSingleItem(false);
    EXPECT_FALSE(single.tabViewController()->toolbar()->isHidden());
    EXPECT_EQ(single.window()->height(), 100 + toolbarHeight(single)) << "the pane keeps its size";

    EXPECT_EQ(PreferencesTabViewController::applicationName("", "", "sheetwright"), "sheetwright");
    EXPECT_EQ(PreferencesTabViewController::applicationName("Shown", "name", "exe"), "Shown");
    EXPECT_EQ(PreferencesTabViewController::applicationName("", "", ""), "<Unknown App Name>");
}

TEST_F(WindowFixture, SegmentPicksSwitchPanesAndTitleTheWindowAfterThePane)
{
    PreferencesWindowController segmented(twoPanes(), Style::segmentedControl, false, true, &store);
    EXPECT_FALSE(segmented.tabViewController()->toolbar()->isHidden());
    segmented.show(PaneIdentifier("updates"));
    EXPECT_FALSE(segmented.isTitleVisible());
    EXPECT_EQ(segmented.window()->windowTitle(), "Updates");
    auto* style = static_cast<SegmentedControlStyleViewController*>(
        segmented.tabViewController()->preferencesStyleController());
    auto* control = static_cast<SegmentedControl*>(style->view());
    EXPECT_EQ(control->selectedSegment(), 1);
    QTest::mouseClick(control->segmentButton(0), Qt::LeftButton);
    EXPECT_EQ(segmented.tabViewController()->activeTab(), 0);
    EXPECT_EQ(segmented.window()->windowTitle(), "General");
    EXPECT_EQ(segmented.tabViewController()->windowTitleForTab(2), QString()) << "no pane there";
}

TEST_F(WindowFixture, ShowPicksTheNamedOrShownOrFirstPaneAndAnImmediateSwitchKeepsTheTopLeft)
{
    PreferencesWindowController controller(twoPanes(), Style::toolbarItems, false, true, &store);
    PreferencesTabViewController* tabs = controller.tabViewController();
    controller.show(PaneIdentifier("nonexistent"));
    EXPECT_EQ(tabs->activeTab(), 0);
    EXPECT_TRUE(controller.window()->isVisible());
    const int bar = toolbarHeight(controller);
    const QPoint topLeft = controller.window()->pos();
    ASSERT_EQ(controller.window()->size(), QSize(300, 200 + bar));
    tabs->activateTab(1, true); // animation off: fitted at once
    EXPECT_EQ(controller.window()->size(), QSize(500, 120 + bar));
    EXPECT_EQ(controller.window()->pos(), topLeft);
    EXPECT_FALSE(tabs->preferencePanes()[0]->isVisible());
    EXPECT_EQ(tabs->preferencePanes()[1]->geometry(), tabs->rect()) << "the pane fills the view";
    EXPECT_TRUE(tabs->activeChildViewConstraints().isActive());
    controller.show();
    EXPECT_EQ(tabs->activeTab(), 1);
    EXPECT_EQ(tabs->toolbar()->selectedItemIdentifier(), "updates");

    // Re-activating the shown pane keeps its view but selects and titles again.
    QWidget* shown = tabs->preferencePanes()[1];
    tabs->toolbar()->setSelectedItemIdentifier("general");
    controller.window()->setWindowTitle("stale");
    tabs->activateTab(1, true);
    EXPECT_FALSE(tabs->isTransitioning());
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(tabs->toolbar()->selectedItemIdentifier(), "updates");
    EXPECT_EQ(controller.window()->windowTitle(), "Updates");
    EXPECT_THROW(tabs->activateTab(2, false), std::out_of_range);
}

struct AnimatedCase {
    Style style;
    bool keepsCentre;
};

class AnimatedSwitch : public WindowFixture, public ::testing::WithParamInterface<AnimatedCase> {};

TEST_P(AnimatedSwitch, ResizesKeepingTheTopEdgeWithInputPaused)
{
    PreferencesWindowController controller(twoPanes(), GetParam().style, true, true, &store);
    controller.show();
    PreferencesTabViewController* tabs = controller.tabViewController();
    UserInteractionPausableWindow* window = controller.window();
    const QRect before(window->pos(), window->size());
    const int bar = toolbarHeight(controller);

    QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);
    tabs->activateTab(1, true);
    EXPECT_TRUE(tabs->isTransitioning());
    EXPECT_FALSE(window->isUserInteractionEnabled()) << "input waits for the switch";
    EXPECT_EQ(window->windowTitle(), "Updates");
    ASSERT_TRUE(finished.wait(2000));

    const QRect after(window->pos(), window->size());
    EXPECT_EQ(after.size(), QSize(500, 120 + bar));
    EXPECT_EQ(after.top(), before.top());
    EXPECT_EQ(after.left(), before.left() - (GetParam().keepsCentre ? 100 : 0));
    EXPECT_TRUE(window->isUserInteractionEnabled());
    EXPECT_TRUE(tabs->activeChildViewConstraints().isActive());
    EXPECT_EQ(tabs->activeChildViewConstraints().view(), tabs->preferencePanes()[1]);
    const QList<QLabel*> labels = tabs->findChildren<QLabel*>();
    EXPECT_TRUE(std::none_of(labels.cbegin(), labels.cend(), [](QLabel* label) {
        return label->isVisible();
    })) << "the crossfade picture is gone";
}

INSTANTIATE_TEST_SUITE_P(Styles, AnimatedSwitch,
                         ::testing::Values(AnimatedCase{Style::segmentedControl, true},
                                           AnimatedCase{Style::toolbarItems, false}));

TEST_F(WindowFixture, ASwitchDuringASwitchEndsOnTheLastPick)
{
    PreferencesWindowController controller(twoPanes(), Style::toolbarItems, true, true, &store);
    controller.show();
    PreferencesTabViewController* tabs = controller.tabViewController();
    tabs->activateTab(1, true);
    tabs->activateTab(0, true);
    QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(tabs->activeTab(), 0);
    EXPECT_TRUE(tabs->preferencePanes()[0]->isVisible());
    EXPECT_FALSE(tabs->preferencePanes()[1]->isVisible());
    EXPECT_EQ(tabs->layout()->count(), 1) << "one pane fills the window";
    EXPECT_EQ(controller.window()->size(), QSize(300, 200 + toolbarHeight(controller)));
    EXPECT_TRUE(controller.window()->isUserInteractionEnabled());
}

TEST_F(WindowFixture, TransitionAnimatesOnlyForAnimatingOptions)
{
    PreferencesWindowController controller(twoPanes(), Style::toolbarItems, true, true, &store);
    controller.show();
    PreferencesTabViewController* tabs = controller.tabViewController();
    auto* replacement = new QLabel("replacement", tabs);
    replacement->hide();
    QWidget* shown = tabs->preferencePanes()[0];

    int completions = 0;
    tabs->transition(shown, replacement, PreferencesTabViewController::TransitionOption::allowUserInteraction,
                     [&completions] { ++completions; });
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(tabs->isTransitioning());
    EXPECT_TRUE(replacement->isVisible());
    EXPECT_FALSE(shown->isVisible());

    tabs->transition(replacement, shown, PreferencesTabViewController::TransitionOption::slideLeft,
                     [&completions] { ++completions; });
    EXPECT_TRUE(tabs->isTransitioning());
    EXPECT_EQ(completions, 1);
    QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(completions, 2);
    EXPECT_TRUE(shown->isVisible());
}

// The frame is saved and put back as the same kind of rectangle, the window without its decoration, so
// the window comes back exactly where it was rather than off by the title bar.
TEST_F(WindowFixture, CentresFirstAndRestoresOnlyThePositionLater)
{
    QRect placed;
    {
        PreferencesWindowController controller(twoPanes(), Style::toolbarItems, false, true, &store);
        controller.show();
        const QRect screen = controller.window()->screen()->availableGeometry();
        EXPECT_NEAR(controller.window()->frameGeometry().center().x(), screen.center().x(), 1);
        EXPECT_TRUE(FrameAutosave::savedFrame(PreferencesWindowController::frameAutosaveName, store));
        controller.window()->move(50, 60);
        placed = controller.window()->geometry();
        ASSERT_NE(placed.topLeft(), QPoint(50, 60)) << "the window has a decoration around it";
        controller.window()->close();
    }
    const auto saved = FrameAutosave::savedFrame(PreferencesWindowController::frameAutosaveName, store);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, placed);

    PreferencesWindowController again(twoPanes(), Style::toolbarItems, false, true, &store);
    again.show(PaneIdentifier("updates"));
    EXPECT_EQ(again.window()->geometry().topLeft(), placed.topLeft());
    EXPECT_EQ(again.window()->pos(), QPoint(50, 60)) << "and so is its decoration";
    EXPECT_EQ(again.window()->size(), QSize(500, 120 + toolbarHeight(again)));
}

TEST(FrameAutosave, ReadsBackWhatItWritesAndIgnoresUnreadableFrames)
{
    const std::pair<QString, std::optional<QRect>> rows[] = {
        {"10 20 300 400", QRect(10, 20, 300, 400)},
        {FrameAutosave::frameString(QRect(-5, 7, 1, 1)), QRect(-5, 7, 1, 1)},
        {"", {}},
        {"10 20 wide 400", {}},
        {"10 20 0 400", {}},
        {"1 2 3", {}}};
    for (const auto& [text, frame] : rows)
        EXPECT_EQ(FrameAutosave::parseFrameString(text), frame) << text.toStdString();
}

} // namespace
