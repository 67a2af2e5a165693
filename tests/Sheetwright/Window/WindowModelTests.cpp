#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"
#include "support/LogCapture.h"

#include <QFile>
#include <QSignalSpy>
#include <stdexcept>

using namespace Sheetwright;
using namespace WindowTests;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::SavedPageLayout;
using TitleKey = LayoutManager::TitleKey;

namespace {

class WindowModelTest : public WindowFixture {
protected:
    std::unique_ptr<WindowModel> model = std::make_unique<WindowModel>(layouts, engine);

    void addImages(const QStringList& names)
    {
        for (const QUrl& url : images(names))
            model->openURL(url);
    }
    // Lets queued renders start.
    static void settle() { QCoreApplication::processEvents(); }
    void finishRender(size_t index, std::optional<RuvedovUzedoz::PDFInfo> result)
    {
        engine.finish(index, std::move(result));
        ASSERT_TRUE(waitUntil([&] { return !model->isRendering() || engine.calls.size() > index + 1; }));
    }
    int systemLineCount(const QString& line) const { return int(log.systemLines().count(line)); }
};

TEST_F(WindowModelTest, AnImageChangeRendersWithTheInputsOfWhenItStarts)
{
    model->applyStartupDefaults(defaults);
    model->openURL(images({QStringLiteral("a.png")}).first());
    // The render starts after the handler that asked for it; a change made meanwhile is part of it.
    EXPECT_TRUE(engine.calls.empty());
    model->mutateLayout([](PageLayout& layout) { layout.rows = 4; });
    settle();
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].layout.rows, 4);
    EXPECT_EQ(engine.calls[0].images.size(), 1);
    EXPECT_EQ(systemLineCount(WindowModel::imageChangeReason), 1);
    EXPECT_TRUE(model->isRendering());

    finishRender(0, FakeRenderService::pdf(1));
    ASSERT_TRUE(model->pdfInfo());
    EXPECT_EQ(model->pdfInfo()->pageCount, 1);
    EXPECT_FALSE(model->needsRender());
    EXPECT_FALSE(model->isRendering());
}

TEST_F(WindowModelTest, LayoutEditsAreUndoableAndNeverRender)
{
    model->applyStartupDefaults(defaults);
    QSignalSpy renders(model.get(), &WindowModel::renderingChanged);
    model->mutateLayout([](PageLayout& layout) { layout.rows = 3; });
    EXPECT_TRUE(model->needsRender());
    EXPECT_EQ(model->undoStack().count(), 1);
    EXPECT_EQ(model->undoStack().undoText(), QStringLiteral("Change Rows"));

    model->mutateSheet(
        [](RuvedovUzedoz::ContactSheet& sheet) { sheet.metadata.title = QStringLiteral("Trip"); });
    EXPECT_EQ(model->undoStack().count(), 1) << "metadata is not undone through the layout's steps";

    model->mutateLayout([](PageLayout& layout) { layout.rows = 3; });
    EXPECT_EQ(model->undoStack().count(), 1) << "an equal write is no change";

    for (int round = 0; round < 3; ++round) {
        model->undoStack().undo();
        EXPECT_EQ(model->layout().rows, 2);
        EXPECT_TRUE(model->needsRender());
        model->undoStack().redo();
        EXPECT_EQ(model->layout().rows, 3);
    }
    EXPECT_EQ(model->undoStack().count(), 1);
    settle();
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(systemLineCount(WindowModel::imageChangeReason), 0);

    // The next real edit after an undo is a step of its own.
    model->undoStack().undo();
    model->mutateLayout([](PageLayout& layout) { layout.columns = 5; });
    EXPECT_EQ(model->undoStack().count(), 1);
    EXPECT_EQ(model->undoStack().index(), 1);
    model->undoStack().undo();
    EXPECT_EQ(model->layout().columns, 2);
}

TEST_F(WindowModelTest, UndoStepsAreNamedAndARunInOneFieldIsOneStep)
{
    model->applyStartupDefaults(defaults);
    struct Edit {
        std::function<void(PageLayout&)> change;
        const char* name;
        int steps;
    };
    const std::vector<Edit> edits{
        {[](PageLayout& l) { l.imageQuality = 0.9; }, "Change Compression Quality", 1},
        // A slider's run of values (keys or wheel) is one step.
        {[](PageLayout& l) { l.imageQuality = 0.8; }, "Change Compression Quality", 1},
        {[](PageLayout& l) { l.imageQuality = 0.7; }, "Change Compression Quality", 1},
        {[](PageLayout& l) { l.margin = 36; }, "Change Margin", 2},
        {[](PageLayout& l) { l.swapDimensions(); }, "Rotate Page", 3},
        {[](PageLayout& l) { l.swapDimensions(); }, "Rotate Page", 4},
        {[](PageLayout& l) { l.rows = 1, l.columns = 1; }, "Change Layout", 5},
        {[](PageLayout& l) { l.fontName = QStringLiteral("Serif"); }, "Change Font Name", 6},
        // Back to where the run started: nothing is left to undo of it.
        {[](PageLayout& l) { l.fontName = QStringLiteral("Futura"); }, "Change Layout", 5},
    };
    for (const Edit& edit : edits) {
        model->mutateLayout(edit.change);
        EXPECT_EQ(model->undoStack().count(), edit.steps) << edit.name;
        EXPECT_EQ(model->undoStack().undoText(), QString::fromLatin1(edit.name));
    }
    while (model->undoStack().canUndo())
        model->undoStack().undo();
    EXPECT_EQ(model->layout(), PageLayout::defaultLayout());
}

TEST_F(WindowModelTest, RendersRunOneAtATimeAndWaitingOnesMerge)
{
    addImages({QStringLiteral("a.png")});
    settle();
    ASSERT_EQ(engine.calls.size(), 1u);

    const auto more = images({QStringLiteral("b.png"), QStringLiteral("c.png")});
    model->openURL(more[0]);
    settle();
    model->openURL(more[1]);
    settle();
    EXPECT_EQ(engine.calls.size(), 1u) << "never two renders of one window at once";
    EXPECT_TRUE(model->isRendering());
    EXPECT_TRUE(engine.calls[0].promise->future().isCanceled()) << "the newer render replaces it";

    finishRender(0, FakeRenderService::pdf(1, "first"));
    ASSERT_EQ(engine.calls.size(), 2u) << "the two waiting renders are one";
    EXPECT_EQ(engine.calls[1].images.size(), 3);
    EXPECT_TRUE(model->isRendering());
    finishRender(1, FakeRenderService::pdf(1, "second"));
    settle();
    EXPECT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("second"));
    EXPECT_EQ(systemLineCount(WindowModel::imageChangeReason), 2);
}

TEST_F(WindowModelTest, AChangeDuringARenderKeepsThePDFOutOfDate)
{
    addImages({QStringLiteral("a.png")});
    settle();
    model->mutateLayout([](PageLayout& layout) { layout.swapDimensions(); });
    finishRender(0, FakeRenderService::pdf(1));
    EXPECT_TRUE(model->needsRender());
}

TEST_F(WindowModelTest, WithoutImagesThereIsNoPDFToExport)
{
    addImages({QStringLiteral("a.png")});
    settle();
    finishRender(0, FakeRenderService::pdf(1));
    model->mutateSheet([](RuvedovUzedoz::ContactSheet& sheet) { sheet.images.clear(); });
    settle();
    ASSERT_EQ(engine.calls.size(), 2u);
    finishRender(1, std::nullopt);
    EXPECT_FALSE(model->pdfInfo());
    EXPECT_FALSE(model->needsRender());
    model->handleCommand(MenuCommands::Commands::presentExporter());
    settle();
    EXPECT_FALSE(model->presentExporter());
    model->handleCommand(MenuCommands::Commands::presentImporter());
    EXPECT_TRUE(model->presentImporter()) << "pictures can always be added";
    EXPECT_EQ(engine.calls.size(), 2u);
}

TEST_F(WindowModelTest, ExportOpensOnTheCurrentPDFOnly)
{
    // Out of date: render first, then open.
    addImages({QStringLiteral("a.png")});
    settle();
    finishRender(0, FakeRenderService::pdf(1));
    model->mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    model->exportPDF();
    settle();
    EXPECT_FALSE(model->presentExporter());
    ASSERT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(log.systemLines().last(), WindowModel::exportCommandReason);
    EXPECT_EQ(engine.calls[1].layout.rows, 1);
    finishRender(1, FakeRenderService::pdf(2));
    EXPECT_TRUE(model->presentExporter());
    model->setPresentExporter(false);

    // Current: opens at once, without rendering.
    model->exportPDF();
    EXPECT_TRUE(model->presentExporter());
    model->setPresentExporter(false);

    // Asked for while a render runs: opens once that render has stored its result.
    model->openURL(images({QStringLiteral("b.png")}).first());
    settle();
    model->exportPDF();
    settle();
    EXPECT_FALSE(model->presentExporter());
    finishRender(2, FakeRenderService::pdf(3));
    settle();
    EXPECT_TRUE(model->presentExporter());
    EXPECT_EQ(model->pdfInfo()->pageCount, 3);
}

TEST_F(WindowModelTest, AnExportAskedForWhileARenderWaitsJoinsIt)
{
    addImages({QStringLiteral("a.png")});
    settle();
    ASSERT_EQ(engine.calls.size(), 1u);
    model->openURL(images({QStringLiteral("b.png")}).first());
    settle();
    ASSERT_TRUE(model->needsRender());
    model->exportPDF();
    settle();

    finishRender(0, FakeRenderService::pdf(1, "first"));
    EXPECT_FALSE(model->presentExporter()) << "not on a PDF that lacks the second picture";
    ASSERT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(engine.calls[1].images.size(), 2);
    finishRender(1, FakeRenderService::pdf(1, "second"));
    settle();
    EXPECT_EQ(engine.calls.size(), 2u) << "the waiting render serves the export too";
    EXPECT_TRUE(model->presentExporter());
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("second"));
}

TEST_F(WindowModelTest, AFailedRenderKeepsThePDFAndStaysOutOfDate)
{
    addImages({QStringLiteral("a.png")});
    settle();
    finishRender(0, FakeRenderService::pdf(1, "good"));
    ASSERT_FALSE(model->needsRender());

    // An image change renders without marking the PDF out of date; the render throws.
    model->openURL(images({QStringLiteral("b.png")}).first());
    settle();
    model->exportPDF();
    settle();
    ASSERT_EQ(engine.calls.size(), 2u);
    auto& promise = *engine.calls[1].promise;
    promise.setException(std::make_exception_ptr(std::runtime_error("out of memory")));
    promise.finish();
    ASSERT_TRUE(waitUntil([&] { return !model->isRendering(); }));
    settle();

    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("out of memory")));
    ASSERT_TRUE(model->pdfInfo());
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("good"));
    EXPECT_TRUE(model->needsRender()) << "rendering again stays on offer";
    EXPECT_FALSE(model->presentExporter()) << "the older PDF is not exported as the current one";
    EXPECT_EQ(engine.calls.size(), 2u);

    // Whatever a render throws is a failure, not an empty result.
    model->openURL(images({QStringLiteral("c.png")}).first());
    settle();
    ASSERT_EQ(engine.calls.size(), 3u);
    engine.calls[2].promise->setException(std::make_exception_ptr(42));
    engine.calls[2].promise->finish();
    ASSERT_TRUE(waitUntil([&] { return !model->isRendering(); }));
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("The PDF could not be rendered")));
    ASSERT_TRUE(model->pdfInfo());
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("good"));
}

TEST_F(WindowModelTest, StartupDefaultsApplyOnlyWhatIsStored)
{
    layouts.save(SavedPageLayout{.width = 100, .height = 200}, TitleKey(QStringLiteral("Letter")));
    struct Row {
        const char* name;
        std::optional<QString> layoutName;
        std::optional<QString> title;
        double width;
        double height;
        qint64 rows;
    };
    const PageLayout standard = PageLayout::defaultLayout();
    const Row rows[] = {
        {"nothing stored", std::nullopt, std::nullopt, standard.width, standard.height, 2},
        {"preset", QStringLiteral("A4"), QStringLiteral("Trip"), 595.3, 841.9, 5},
        {"default layout", QStringLiteral("Default Layout"), QString(), standard.width, standard.height, 2},
        {"unknown name", QStringLiteral("Nope"), std::nullopt, standard.width, standard.height, 5},
        {"custom before preset", QStringLiteral("Letter"), std::nullopt, 100, 200, 5},
    };
    for (const Row& row : rows) {
        KestrelExtensions::UserDefaults store(folder.filePath(QStringLiteral("%1.ini").arg(row.name)));
        if (row.layoutName)
            store.setString(QStringLiteral("DefaultLayoutName"), *row.layoutName);
        if (row.title)
            store.setString(QStringLiteral("DefaultTitle"), *row.title);
        store.setString(QStringLiteral("DefaultAuthor"), QStringLiteral("Ann"));
        WindowModel window(layouts, engine);
        if (row.rows != 2)
            window.setLayout([&] {
                PageLayout layout = PageLayout::defaultLayout();
                layout.rows = row.rows;
                return layout;
            }());
        window.applyStartupDefaults(store);
        EXPECT_DOUBLE_EQ(window.layout().width, row.width) << row.name;
        EXPECT_DOUBLE_EQ(window.layout().height, row.height) << row.name;
        EXPECT_EQ(window.layout().rows, row.rows) << row.name;
        EXPECT_EQ(window.metadata().title, row.title.value_or(QString())) << row.name;
        EXPECT_EQ(window.metadata().author, QStringLiteral("Ann")) << row.name;
        EXPECT_TRUE(window.metadata().subject.isEmpty()) << row.name;
        EXPECT_TRUE(window.needsRender()) << row.name;
    }
}

TEST_F(WindowModelTest, StartupReplacesTheProgressObject)
{
    log.clear();
    WindowModel window(layouts, engine);
    RuvedovUzedoz::PDFProgress* first = &window.progress();
    QSignalSpy progress(&window, &WindowModel::progressChanged);
    QSignalSpy rendering(&window, &WindowModel::renderingChanged);
    window.applyStartupDefaults(defaults);
    EXPECT_NE(&window.progress(), first);
    EXPECT_EQ(progress.count(), 1);
    EXPECT_EQ(rendering.count(), 1) << "the toolbar follows the new progress object";
    EXPECT_EQ(log.outLines().count(QStringLiteral("Making new ContactSheet")), 1);
    EXPECT_EQ(log.systemLines().count(QStringLiteral("Creating new PDFProgress!!")), 2);
    window.progress().setRendering(true);
    EXPECT_TRUE(window.isRendering());
}

TEST_F(WindowModelTest, LayoutCommandsChangeOnlyWhatTheyName)
{
    model->applyStartupDefaults(defaults);
    model->mutateLayout([](PageLayout& layout) { layout.rows = 5; });
    model->handleCommand(MenuCommands::Commands::setLayout(TitleKey::a4));
    EXPECT_DOUBLE_EQ(model->layout().width, 595.3);
    EXPECT_EQ(model->layout().rows, 5);
    EXPECT_EQ(model->undoStack().count(), 2);

    model->handleCommand(MenuCommands::Commands::setLayout(TitleKey(QStringLiteral("No Such Layout"))));
    EXPECT_EQ(model->undoStack().count(), 2);

    model->handleCommand(MenuCommands::Commands::setLayout(TitleKey::defaultLayout));
    EXPECT_EQ(model->layout(), PageLayout::defaultLayout());

    const PageLayout before = model->layout();
    model->handleCommand(MenuCommands::Commands::rotatePage());
    EXPECT_DOUBLE_EQ(model->layout().width, before.height);
    model->handleCommand(MenuCommands::Commands::rotatePage());
    EXPECT_EQ(model->layout(), before);
    EXPECT_EQ(model->undoStack().count(), 5);

    model->mutateLayout([](PageLayout& layout) { layout.width = layout.height = 500; });
    const int steps = model->undoStack().count();
    model->handleCommand(MenuCommands::Commands::rotatePage());
    EXPECT_EQ(model->undoStack().count(), steps) << "a square page does not change";
}

TEST_F(WindowModelTest, DeletingALayoutAsksFirstAndKeepsItOnFailure)
{
    const TitleKey name(QStringLiteral("Mine"));
    layouts.save(SavedPageLayout{.rows = 3}, name);
    model->handleCommand(MenuCommands::Commands::deleteLayout(name));
    EXPECT_TRUE(model->presentAlert());
    ASSERT_TRUE(model->currentAlert());
    EXPECT_EQ(model->currentAlert()->name(), name.name());
    EXPECT_EQ(layouts.layouts().count(name), 1u) << "nothing goes before the user confirms";

    QFile::remove(layouts.filePath(name));
    const std::optional<QString> failure = model->confirmDeleteLayout();
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->contains(QStringLiteral("Mine.swlayout")));
    EXPECT_EQ(layouts.layouts().count(name), 1u);

    layouts.save(SavedPageLayout{.rows = 3}, name);
    EXPECT_FALSE(model->confirmDeleteLayout());
    EXPECT_EQ(layouts.layouts().count(name), 0u);
    EXPECT_FALSE(QFile::exists(layouts.filePath(name)));
}

TEST_F(WindowModelTest, ADropIsOneAdditionOfDistinctFiles)
{
    const auto urls = images({QStringLiteral("a.png"), QStringLiteral("b.png")});
    model->addDroppedURLs({urls[0], urls[0], urls[1]});
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding 2 new URLs to contact sheet")));
    EXPECT_EQ(model->images().size(), 2);
    settle();
    EXPECT_EQ(engine.calls.size(), 1u);

    // Already there: counted, but the set does not change and nothing renders.
    finishRender(0, FakeRenderService::pdf(1));
    model->addDroppedURLs({urls[1]});
    settle();
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding 1 new URLs to contact sheet")));
    EXPECT_EQ(engine.calls.size(), 1u);
}

TEST_F(WindowModelTest, AWindowClosedDuringARenderCancelsIt)
{
    addImages({QStringLiteral("a.png")});
    settle();
    ASSERT_EQ(engine.calls.size(), 1u);
    model.reset();
    EXPECT_TRUE(engine.calls[0].promise->future().isCanceled());
    engine.finish(0, FakeRenderService::pdf(1));
    settle();
    SUCCEED();
}

TEST(WindowModelEngine, RendersRealImagesIntoOnePage)
{
    QTemporaryDir folder;
    LayoutManager layouts(folder.filePath(QStringLiteral("Layouts")));
    WindowModel model(layouts, RenderService::engine());
    model.addDroppedURLs(
        writeImages(folder.filePath(QStringLiteral("photos")),
                    {QStringLiteral("one.png"), QStringLiteral("two.png"), QStringLiteral("three.png")}));
    ASSERT_TRUE(waitUntil([&] { return model.pdfInfo().has_value(); }, 30000));
    EXPECT_EQ(model.pdfInfo()->pageCount, 1);
    // Kept on disk, not in the window's memory.
    ASSERT_TRUE(model.pdfInfo()->file);
    EXPECT_TRUE(model.pdfInfo()->data.isEmpty());
    const QByteArray bytes = model.pdfInfo()->bytes();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(model.pdfInfo()->size, bytes.size());
    EXPECT_FALSE(model.needsRender());

    // A newer render replaces the file; the one no longer shown is removed, and so is the last with the
    // window.
    const QString first = model.pdfInfo()->file->path();
    model.mutateSheet([](RuvedovUzedoz::ContactSheet& sheet) { sheet.images.remove(*sheet.images.begin()); });
    ASSERT_TRUE(waitUntil([&] { return model.pdfInfo() && model.pdfInfo()->file->path() != first; }, 30000));
    EXPECT_TRUE(waitUntil([&] { return !QFile::exists(first); }));
    const QString second = model.pdfInfo()->file->path();
    model.mutateSheet([](RuvedovUzedoz::ContactSheet& sheet) { sheet.images.clear(); });
    ASSERT_TRUE(waitUntil([&] { return !model.pdfInfo() && !model.isRendering(); }, 30000));
    EXPECT_TRUE(waitUntil([&] { return !QFile::exists(second); }));
}

} // namespace

TEST(WindowModelEngine, BadFilesAreSkippedAndClosingMidRenderIsSafe)
{
    QTemporaryDir folder;
    LayoutManager layouts(folder.filePath(QStringLiteral("Layouts")));
    const QString photos = folder.filePath(QStringLiteral("photos"));
    writeImages(photos, {QStringLiteral("good-1.png"), QStringLiteral("good-2.png")});
    for (const auto& [name, bytes] :
         {std::pair{"truncated.jpg", QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10)},
          std::pair{"notes.txt", QByteArray("not a picture")}}) {
        QFile file(QDir(photos).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    auto model = std::make_unique<WindowModel>(layouts, RenderService::engine());
    model->openURL(QUrl::fromLocalFile(photos));
    ASSERT_TRUE(waitUntil([&] { return model->pdfInfo().has_value(); }, 30000));
    EXPECT_EQ(model->pdfInfo()->pageCount, 1);

    // Closed while the next render runs: the render finishes into nothing.
    model->openURL(writeImages(photos, {QStringLiteral("good-3.png")}).first());
    ASSERT_TRUE(waitUntil([&] { return model->isRendering(); }));
    model.reset();
    QTest::qWait(300);
    SUCCEED();
}
