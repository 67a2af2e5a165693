#include "Sheetwright/App/SheetwrightApp.h"
#include "Sheetwright/App/UpdateService.h"
#include "Sheetwright/Commands/LayoutCommands.h"
#include "Sheetwright/Layouts/LayoutUnits.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"

#include <QMenu>
#include <QMenuBar>

using namespace Sheetwright;
using namespace WindowTests;
using RuvedovUzedoz::PageLayout;

namespace {

const QString ellipsis = QString(QChar(0x2026));

// Stands in for the software updater: counts the checks it is asked for; its settings window is empty.
class FakeUpdateService : public UpdateService {
public:
    void checkForUpdates() override { ++checks; }
    QWidget* makeSettingsWindow() override { return new QWidget; }
    int checks = 0;
};

// The action reached through menu titles, as a user reads them ({"Layout", "Set Layout", "Default"}).
QAction* menuAction(QMenuBar* bar, const QStringList& path)
{
    QList<QAction*> actions = bar->actions();
    QAction* found = nullptr;
    for (const QString& title : path) {
        const auto match = std::find_if(actions.begin(), actions.end(),
                                        [&](QAction* action) { return action->iconText() == title; });
        if (match == actions.end())
            return nullptr;
        if ((found = *match)->menu()) {
            emit found->menu()->aboutToShow();
            actions = found->menu()->actions();
        }
    }
    return found;
}

// The titles in the menu at `path`; with `checkedOnly`, of its checked items only.
QStringList titles(QMenuBar* bar, const QStringList& path, bool checkedOnly = false)
{
    QStringList texts;
    for (QAction* action : menuAction(bar, path)->menu()->actions())
        if (!checkedOnly || action->isChecked())
            texts << action->iconText();
    return texts;
}

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

TEST_F(ApplicationTest, MenuCommandsReachOnlyTheKeyWindow)
{
    ContentView* a = app.newWindow();
    ContentView* b = app.newWindow();
    ASSERT_TRUE(activate(b));
    const PageLayout start = PageLayout::defaultLayout();
    menuAction(a->menuBar(), {"Layout", "Set Layout", "Page Sizes", "Metric A4"})->trigger();
    EXPECT_DOUBLE_EQ(b->model().layout().width, 595.3) << "any window's menu addresses the key window";
    EXPECT_EQ(a->model().layout(), start);
    ASSERT_TRUE(activate(a));
    menuAction(a->menuBar(), {"Layout", "Rotate Page"})->trigger();
    EXPECT_DOUBLE_EQ(a->model().layout().width, start.height);
    EXPECT_DOUBLE_EQ(b->model().layout().width, 595.3);
    menuAction(a->menuBar(), {"Layout", "Rotate Page"})->trigger();
    EXPECT_EQ(a->model().layout(), start) << "the same command twice is delivered twice";

    // With the settings window key, commands land on the shared default nobody acts on.
    ASSERT_TRUE(activate(app.showSettings()));
    const PageLayout before = a->model().layout();
    menuAction(a->menuBar(), {"Layout", "Rotate Page"})->trigger();
    EXPECT_EQ(a->model().layout(), before);
    EXPECT_EQ(MenuCommands::defaultValue().command()->kind, MenuCommands::Commands::Kind::rotatePage);
    menuAction(a->menuBar(), {"Help", "Check for Updates" + ellipsis})->trigger();
    EXPECT_EQ(updater.checks, 1) << "the update check works whatever window is key";
}

TEST_F(ApplicationTest, MenusHoldTheirCommandsInOrderCustomLayoutsAsTypedAndTheSharedUnits)
{
    QMenuBar* bar = app.newWindow()->menuBar();
    EXPECT_EQ(titles(bar, {"File"}), (QStringList{"New Window", "Open Images" + ellipsis, "", "Close Window",
                                                  "Export PDF" + ellipsis, "", "Quit"}));
    EXPECT_EQ(titles(bar, {"Edit"}), (QStringList{"Undo", "Redo", "", "Settings" + ellipsis}));
    for (const char* name : {"beta", "Alpha", "alpha", "A&B"})
        layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 3},
                     LayoutManager::TitleKey(QString::fromUtf8(name)));
    EXPECT_EQ(titles(bar, {"Layout", "Set Layout", "Custom Layouts"}),
              (QStringList{"A&B", "Alpha", "alpha", "beta"}));
    EXPECT_EQ(menuAction(bar, {"Layout", "Set Layout", "Custom Layouts", "A&B"})->text(), "A&&B");
    EXPECT_EQ(titles(bar, {"Layout", "Delete Custom Layout"}),
              (QStringList{"A&B", "Alpha", "alpha", "beta"}));
    layouts.deleteLayout(LayoutManager::TitleKey("beta"));
    EXPECT_EQ(titles(bar, {"Layout", "Set Layout", "Custom Layouts"}),
              (QStringList{"A&B", "Alpha", "alpha"}));
    EXPECT_EQ(menuAction(bar, {"File", "Open Images" + ellipsis})->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(menuAction(bar, {"File", "Export PDF" + ellipsis})->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    EXPECT_EQ(menuAction(bar, {"Layout", "Rotate Page"})->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(titles(bar, {"Layout", "Units"}, true), QStringList{"Inches"});
    menuAction(bar, {"Layout", "Units", "Millimeters"})->trigger();
    EXPECT_EQ(defaults.string("units"), "metric");
    storeLayoutUnits(defaults, LayoutUnits::points);
    EXPECT_EQ(titles(bar, {"Layout", "Units"}, true), QStringList{"Points"});
}

TEST_F(ApplicationTest, StartOpensTheNamedFilesAndFoldersInOneWindowBesideOneSettingsWindow)
{
    images({"a.png", "b.png"});
    const auto requests =
        SheetwrightApp::openRequests({folder.filePath("photos"), folder.filePath("missing.png")});
    ASSERT_EQ(requests.size(), 2);
    EXPECT_TRUE(requests.first().isLocalFile());
    EXPECT_EQ(app.start(requests)->model().images().size(), 2);
    EXPECT_EQ(app.windows().size(), 1);
    QWidget* first = app.showSettings();
    first->close();
    EXPECT_EQ(app.showSettings(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(first->windowTitle(), "Settings");
}

} // namespace
