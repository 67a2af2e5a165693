#include "Sheetwright/App/SheetwrightApp.h"
#include "Sheetwright/Commands/LayoutCommands.h"
#include "Sheetwright/Layouts/LayoutUnits.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <QMenuBar>

using namespace Sheetwright;
using namespace WindowTests;
using RuvedovUzedoz::PageLayout;

namespace {

const QString ellipsis = QString(QChar(0x2026));

class ApplicationTest : public WindowFixture {
protected:
    FakeUpdateService updater;
    SheetwrightApp app{defaults, layouts, engine, updater};

    static bool activate(QWidget* window)
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }
};

TEST_F(ApplicationTest, MenuBarHoldsTheCommandsInOrder)
{
    ContentView* window = app.newWindow();
    QMenuBar* bar = window->menuBar();
    EXPECT_EQ(titles(bar->actions()), (QStringList{"File", "Edit", "View", "Layout", "Help"}));
    EXPECT_EQ(titles(menuAction(bar, {"File"})->menu()->actions()),
              (QStringList{"New Window", "Open Images" + ellipsis, "---", "Close Window",
                           "Export PDF" + ellipsis, "---", "Quit"}));
    EXPECT_EQ(titles(menuAction(bar, {"Help"})->menu()->actions()),
              (QStringList{"About Sheetwright", "Check for Updates" + ellipsis}));
    EXPECT_EQ(titles(menuAction(bar, {"Layout"})->menu()->actions()),
              (QStringList{"Rotate Page", "Units", "---", "Set Layout", "Save Custom Layout" + ellipsis,
                           "Delete Custom Layout"}));
    EXPECT_EQ(titles(menuAction(bar, {"Layout", "Set Layout"})->menu()->actions()),
              (QStringList{"Default", "---", "Page Sizes", "Grids", "Color Schemes", "Custom Layouts"}));
    EXPECT_EQ(titles(menuAction(bar, {"Layout", "Set Layout", "Page Sizes"})->menu()->actions()),
              (QStringList{"US Letter", "US Legal", "US Ledger", "Metric A4", "Metric A3"}));
    EXPECT_EQ(titles(menuAction(bar, {"Layout", "Units"})->menu()->actions()),
              (QStringList{"Points", "Inches", "Millimeters"}));
    EXPECT_EQ(menuAction(bar, {"File", "Open Images" + ellipsis})->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(menuAction(bar, {"File", "Export PDF" + ellipsis})->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    EXPECT_EQ(menuAction(bar, {"Layout", "Rotate Page"})->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(menuAction(bar, {"Help", "Check for Updates" + ellipsis})->text().toUtf8().size(), 20);
}

TEST_F(ApplicationTest, MenuCommandsReachOnlyTheKeyWindow)
{
    ContentView* a = app.newWindow();
    ContentView* b = app.newWindow();
    EXPECT_NE(&a->commands(), &b->commands());
    ASSERT_TRUE(activate(b));
    const PageLayout start = PageLayout::defaultLayout();

    menuAction(a->menuBar(), {"Layout", "Set Layout", "Page Sizes", "Metric A4"})->trigger();
    EXPECT_DOUBLE_EQ(b->model().layout().width, 595.3) << "any window's menu addresses the key window";
    EXPECT_EQ(a->model().layout(), start);

    ASSERT_TRUE(activate(a));
    menuAction(a->menuBar(), {"Layout", "Rotate Page"})->trigger();
    EXPECT_DOUBLE_EQ(a->model().layout().width, start.height);
    EXPECT_DOUBLE_EQ(b->model().layout().width, 595.3);

    // With the settings window key, commands land on the shared default nobody acts on.
    QWidget* settings = app.showSettings();
    ASSERT_TRUE(activate(settings));
    const PageLayout before = a->model().layout();
    menuAction(a->menuBar(), {"Layout", "Rotate Page"})->trigger();
    EXPECT_EQ(a->model().layout(), before);
    EXPECT_EQ(MenuCommands::defaultValue().command()->kind, MenuCommands::Commands::Kind::rotatePage);

    menuAction(a->menuBar(), {"Help", "Check for Updates" + ellipsis})->trigger();
    EXPECT_EQ(updater.checks, 1) << "the update check works whatever window is key";
}

TEST_F(ApplicationTest, CustomLayoutsAreListedInCodePointOrderAsTyped)
{
    ContentView* window = app.newWindow();
    for (const char* name : {"beta", "Alpha", "alpha", "A&B"})
        layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 3},
                     LayoutManager::TitleKey(QString::fromUtf8(name)));
    QMenu* custom = menuAction(window->menuBar(), {"Layout", "Set Layout", "Custom Layouts"})->menu();
    EXPECT_EQ(titles(custom->actions()), (QStringList{"A&B", "Alpha", "alpha", "beta"}));
    EXPECT_EQ(custom->actions().first()->text(), QStringLiteral("A&&B"));
    EXPECT_EQ(titles(menuAction(window->menuBar(), {"Layout", "Delete Custom Layout"})->menu()->actions()),
              (QStringList{"A&B", "Alpha", "alpha", "beta"}));

    layouts.deleteLayout(LayoutManager::TitleKey(QStringLiteral("beta")));
    EXPECT_EQ(
        titles(menuAction(window->menuBar(), {"Layout", "Set Layout", "Custom Layouts"})->menu()->actions()),
        (QStringList{"A&B", "Alpha", "alpha"}));
}

TEST_F(ApplicationTest, UnitsChoiceIsTheSharedSetting)
{
    ContentView* window = app.newWindow();
    QMenu* units = menuAction(window->menuBar(), {"Layout", "Units"})->menu();
    auto checked = [&] {
        for (QAction* action : units->actions()) {
            if (action->isChecked())
                return action->text();
        }
        return QString();
    };
    EXPECT_EQ(checked(), QStringLiteral("Inches"));
    menuAction(window->menuBar(), {"Layout", "Units", "Millimeters"})->trigger();
    EXPECT_EQ(defaults.string(QStringLiteral("units")), QStringLiteral("metric"));
    storeLayoutUnits(defaults, LayoutUnits::points);
    EXPECT_EQ(checked(), QStringLiteral("Points"));
}

TEST_F(ApplicationTest, StartGivesTheFirstWindowTheNamedFilesAndFolders)
{
    const QString photos = folder.filePath(QStringLiteral("photos"));
    writeImages(photos, {QStringLiteral("a.png"), QStringLiteral("b.png")});
    const auto requests =
        SheetwrightApp::openRequests({photos, folder.filePath(QStringLiteral("missing.png"))});
    ASSERT_EQ(requests.size(), 2);
    EXPECT_TRUE(requests.first().isLocalFile());
    ContentView* window = app.start(requests);
    EXPECT_EQ(window->model().images().size(), 2);
    EXPECT_EQ(app.windows().size(), 1);
}

TEST_F(ApplicationTest, OneSettingsWindowThatDoesNotKeepTheApplicationRunning)
{
    QWidget* first = app.showSettings();
    first->close();
    EXPECT_EQ(app.showSettings(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Settings"));
}

} // namespace
