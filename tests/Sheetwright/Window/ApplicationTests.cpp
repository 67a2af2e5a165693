#include "Sheetwright/App/SheetwrightApp.h"
#include "Sheetwright/App/UpdateService.h"
#include "Sheetwright/Commands/ExportImages.h"
#include "Sheetwright/Commands/ImportImages.h"
#include "Sheetwright/Commands/LayoutCommands.h"
#include "Sheetwright/Commands/MenuBar.h"
#include "Sheetwright/Extensions/PDFInfoWriter.h"
#include "Sheetwright/Layouts/LayoutUnits.h"
#include "Sheetwright/Window/ByteCountFormatter.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/Plurals.h"
#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"

#include <QMenu>
#include <QMenuBar>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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

// Each menu group holds its own reader of the key window's channel, and hears every command written to
// it (the same command twice included), so it can follow what the channel holds.
TEST_F(ApplicationTest, EachMenuGroupReadsTheKeyWindowsChannelAndHearsEveryCommand)
{
    ContentView* a = app.newWindow();
    ContentView* b = app.newWindow();
    ASSERT_TRUE(activate(b));
    const auto* menus = a->findChild<MenuBar*>();
    ASSERT_TRUE(menus);
    KeyWindow::KeyWindowObservableObject<MenuCommands>* readers[] = {&menus->importImages()->commands(),
                                                                     &menus->exportImages()->commands(),
                                                                     &menus->layoutCommands()->commands()};
    std::vector<std::unique_ptr<QSignalSpy>> heard;
    for (auto* reader : readers) {
        EXPECT_EQ(&reader->wrappedValue(), &b->commands());
        heard.push_back(std::make_unique<QSignalSpy>(reader, &KeyWindow::KeyWindowReader::changed));
    }
    using Kind = MenuCommands::Commands::Kind;
    const std::pair<QStringList, Kind> items[] = {
        {{"Layout", "Rotate Page"}, Kind::rotatePage},
        {{"Layout", "Rotate Page"}, Kind::rotatePage},
        {{"File", "Export PDF" + ellipsis}, Kind::presentExporter},
        {{"File", "Open Images" + ellipsis}, Kind::presentImporter}};
    qsizetype sent = 0;
    for (const auto& [path, kind] : items) {
        menuAction(a->menuBar(), path)->trigger();
        ++sent;
        EXPECT_EQ(b->commands().command()->kind, kind) << path.join('/').toStdString();
        for (const auto& spy : heard)
            EXPECT_EQ(spy->size(), sent) << path.join('/').toStdString();
    }
    EXPECT_FALSE(a->commands().command()) << "the other window's channel is untouched";

    // With the settings window key, the readers hold the shared default and hear what it is sent.
    ASSERT_TRUE(activate(app.showSettings()));
    for (auto* reader : readers)
        EXPECT_EQ(&reader->wrappedValue(), &MenuCommands::defaultValue());
    for (const auto& spy : heard)
        spy->clear();
    menuAction(a->menuBar(), {"Layout", "Rotate Page"})->trigger();
    for (const auto& spy : heard)
        EXPECT_EQ(spy->size(), 1);
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
    // Saved by another copy of the application: the folder is read once, not each time the menu opens.
    LayoutManager(layouts.layoutsFolder()).save({.rows = 2}, LayoutManager::TitleKey("Elsewhere"));
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
}

TEST(TextFormat, CountsAndFileSizesReadAsWords)
{
    using Plurals::localized;
    const std::pair<QString, const char*> texts[] = {
        {localized("pdf-info %lld %lld", qint64(1), qint64(1)), "1 image, 1 page"},
        {localized("render %f %f", 1.0, 1.0), "1 of 1 page"},
        {localized("render %f %f", 2.5, 5.0), "2.5 of 5 pages"},
        // A key the table lacks shows with its numbers filled in.
        {localized("other %lld %lld", qint64(3), qint64(4)), "other 3 4"},
        {localized("other %f %f", 1.0, 3.0), "other 1.000000 3.000000"}};
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(text, expected);
    const std::pair<qint64, const char*> sizes[] = {
        {0, "Zero KB"},        {1, "1 byte"},       {999, "999 bytes"},
        {1500, "2 KB"},        {94'250, "94 KB"},   {999'999, "1 MB"},
        {1'500'000, "1.5 MB"}, {2'000'000, "2 MB"}, {1'234'567'890, "1.23 GB"}};
    for (const auto& [bytes, expected] : sizes)
        EXPECT_EQ(formatByteCount(bytes), expected) << bytes;
}

// The PDF as a render leaves it: in memory, or kept in a file of its own in `folder`.
RuvedovUzedoz::PDFInfo pdfInfo(const QByteArray& bytes, bool onDisk, const QString& folder)
{
    RuvedovUzedoz::PDFInfo pdf{onDisk ? QByteArray() : bytes, bytes.size(), 1};
    if (onDisk && (pdf.file = RuvedovUzedoz::PDFFile::create(folder)))
        WindowTests::writeFile(pdf.file->path(), bytes);
    return pdf;
}

// Writes `pdf` to `path` while no file may grow past 512 bytes, as on a full disk (even for root).
std::optional<QString> writeCutOff(const RuvedovUzedoz::PDFInfo& pdf, const QString& path)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{512, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    const auto error = writePDFInfo(pdf, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return error;
}

} // namespace

TEST(PDFInfoWriter, WritesTheBytesUnchangedOrReportsWhy)
{
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk ? "kept on disk" : "in memory");
        QTemporaryDir folder;
        const QString renders = folder.filePath("renders");
        const QString path = folder.filePath("sheet.pdf");
        const QByteArray bytes("%PDF-1.7\n\0binary", 16);
        EXPECT_FALSE(writePDFInfo(pdfInfo(bytes, onDisk, renders), path));
        EXPECT_EQ(WindowTests::readFile(path), bytes);
        const QString missing = folder.filePath("missing/folder/sheet.pdf");
        EXPECT_FALSE(writePDFInfo(pdfInfo(bytes, onDisk, renders), missing).value_or("").isEmpty());
        EXPECT_FALSE(QFile::exists(missing));
        // A pipe at the target is refused, neither opened (which would wait for a reader) nor replaced.
        const QString pipe = folder.filePath("pipe.pdf");
        ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        EXPECT_FALSE(writePDFInfo(pdfInfo(bytes, onDisk, renders), pipe).value_or("").isEmpty());
        EXPECT_FALSE(QFileInfo(pipe).isFile());

        // A write cut off part-way fails and leaves the earlier file whole, also past one piece of a copy.
        for (const qsizetype length : {qsizetype(2000), qsizetype(200000), qsizetype(3 << 20)}) {
            const auto cutOff = writeCutOff(pdfInfo(QByteArray(length, 'p'), onDisk, renders), path);
            EXPECT_TRUE(cutOff.value_or("").contains("disk may be full")) << length;
            EXPECT_EQ(WindowTests::readFile(path), bytes) << length;
        }
        if (!onDisk)
            continue;
        // A large PDF on disk is copied whole; one whose file has gone fails and leaves the earlier export.
        const QByteArray large(3 << 20, 'q');
        EXPECT_FALSE(writePDFInfo(pdfInfo(large, true, renders), path));
        EXPECT_EQ(WindowTests::readFile(path), large);
        const RuvedovUzedoz::PDFInfo gone = pdfInfo(bytes, true, renders);
        QFile::remove(gone.file->path());
        EXPECT_TRUE(writePDFInfo(gone, path).value_or("").contains("cannot be read"));
        EXPECT_EQ(WindowTests::readFile(path), large);
    }
}
