#include "Sheetwright/Undo/UndoHandler.h"
#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"

#include <QSignalSpy>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <sys/resource.h>

using namespace Sheetwright;
using namespace WindowTests;
using KestrelExtensions::Binding;
using KestrelExtensions::Observable;
using RuvedovUzedoz::PageLayout;

namespace {

class WindowModelTest : public WindowFixture {
protected:
    std::unique_ptr<WindowModel> model = std::make_unique<WindowModel>(layouts, engine);

    // Adds pictures and lets the render they ask for start.
    void add(const QString& name)
    {
        model->openURL(images({name}).first());
        QCoreApplication::processEvents();
    }
    void finishRender(size_t index, FakeRenderService::Result result)
    {
        engine.finish(index, std::move(result));
        WAIT_UNTIL(!model->isRendering() || engine.calls.size() > index + 1);
        QCoreApplication::processEvents();
    }
    qsizetype systemLines(const QString& line) const { return log.systemLines().count(line); }
};

TEST_F(WindowModelTest, AnImageChangeRendersWithTheInputsOfWhenItStarts)
{
    model->applyStartupDefaults(defaults);
    EXPECT_TRUE(model->needsRender()) << "a new window has no PDF yet";
    model->openURL(images({"a.png"}).first());
    // The render starts after the handler that asked for it; a change made meanwhile is part of it.
    EXPECT_TRUE(engine.calls.empty());
    model->mutateLayout([](PageLayout& layout) { layout.rows = 4; });
    QCoreApplication::processEvents();
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].layout.rows, 4);
    EXPECT_EQ(engine.calls[0].images.size(), 1);
    EXPECT_EQ(systemLines(WindowModel::imageChangeReason), 1);
    EXPECT_TRUE(model->isRendering());
    finishRender(0, FakeRenderService::pdf(1));
    EXPECT_EQ(model->pdfInfo()->pageCount, 1);
    EXPECT_EQ(std::pair(model->needsRender(), model->isRendering()), std::pair(false, false));
    model->mutateSheet([](auto& sheet) { sheet.metadata.title = "Trip"; });
    EXPECT_TRUE(model->needsRender()) << "a metadata edit leaves the PDF out of date";
    // A change while a render runs leaves its PDF out of date.
    add("b.png");
    model->mutateLayout([](PageLayout& layout) { layout.swapDimensions(); });
    finishRender(1, FakeRenderService::pdf(1));
    EXPECT_TRUE(model->needsRender());
}

TEST_F(WindowModelTest, EveryLayoutChangeIsOneUnnamedUndoStepAndNeverRenders)
{
    model->applyStartupDefaults(defaults);
    // Changes of one field in a row stay separate steps, also a return to where they started.
    const std::function<void(PageLayout&)> edits[] = {
        [](PageLayout& l) { l.imageQuality = 0.9; }, [](PageLayout& l) { l.imageQuality = 0.8; },
        [](PageLayout& l) { l.margin = 36; },        [](PageLayout& l) { l.swapDimensions(); },
        [](PageLayout& l) { l.swapDimensions(); },   [](PageLayout& l) { l.rows = 1, l.columns = 1; },
        [](PageLayout& l) { l.fontName = "Serif"; }, [](PageLayout& l) { l.fontName = "Futura"; },
    };
    int steps = 0;
    for (const auto& change : edits) {
        model->mutateLayout(change);
        EXPECT_EQ(model->undoStack().count(), ++steps);
        EXPECT_EQ(model->undoStack().undoText(), QString()) << "the Edit menu shows plain Undo";
    }
    model->undoStack().undo();
    EXPECT_EQ(model->layout().fontName, "Serif");
    EXPECT_EQ(model->undoStack().redoText(), QString());
    model->undoStack().undo();
    EXPECT_EQ(model->layout().fontName, "Futura");
    while (model->undoStack().canUndo())
        model->undoStack().undo();
    EXPECT_EQ(model->layout(), PageLayout::defaultLayout());
    model->undoStack().clear();

    // Rows 2 -> 3, then 3 -> 4 as a second pick: two Undos lead back to 2.
    model->mutateLayout([](PageLayout& layout) { layout.rows = 3; });
    model->mutateLayout([](PageLayout& layout) { layout.rows = 4; });
    model->undoStack().undo();
    EXPECT_EQ(model->layout().rows, 3);
    model->undoStack().undo();
    EXPECT_EQ(model->layout().rows, 2);
    model->undoStack().clear();

    // The next real edit after an undo is a step of its own; metadata and equal writes are none.
    model->mutateLayout([](PageLayout& layout) { layout.rows = 3; });
    model->mutateSheet([](auto& sheet) { sheet.metadata.title = "Trip"; });
    model->mutateLayout([](PageLayout& layout) { layout.rows = 3; });
    EXPECT_EQ(model->undoStack().count(), 1);
    for (int round = 0; round < 3; ++round) {
        model->undoStack().undo();
        EXPECT_EQ(model->layout().rows, 2);
        EXPECT_TRUE(model->needsRender());
        model->undoStack().redo();
        EXPECT_EQ(model->layout().rows, 3);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(WindowModelTest, RendersRunOneAtATimeWaitingOnesMergeAndExportOpensOnTheCurrentPDFOnly)
{
    for (const char* name : {"a.png", "b.png", "c.png"})
        add(name);
    EXPECT_EQ(engine.calls.size(), 1u) << "never two renders of one window at once";
    EXPECT_TRUE(engine.calls[0].promise->future().isCanceled()) << "the newer render replaces it";
    // Asked for while a render waits: that render serves the export, not the one it replaces.
    model->exportPDF();
    finishRender(0, FakeRenderService::pdf(1, "first"));
    EXPECT_FALSE(model->presentExporter()) << "not on a PDF that lacks the later pictures";
    ASSERT_EQ(engine.calls.size(), 2u) << "the two waiting renders are one";
    EXPECT_EQ(engine.calls[1].images.size(), 3);
    EXPECT_TRUE(model->isRendering());
    finishRender(1, FakeRenderService::pdf(1, "second"));
    EXPECT_TRUE(model->presentExporter());
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("second"));
    EXPECT_EQ(systemLines(WindowModel::imageChangeReason), 2);
    model->setPresentExporter(false);
    // Out of date: render first, then open.
    model->mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    model->exportPDF();
    QCoreApplication::processEvents();
    EXPECT_FALSE(model->presentExporter());
    ASSERT_EQ(engine.calls.size(), 3u);
    EXPECT_EQ(log.systemLines().last(), WindowModel::exportCommandReason);
    EXPECT_EQ(engine.calls[2].layout.rows, 1);
    finishRender(2, FakeRenderService::pdf(2));
    EXPECT_TRUE(model->presentExporter());
    model->setPresentExporter(false);
    model->exportPDF();
    EXPECT_TRUE(model->presentExporter()) << "current: opens at once, without rendering";
    model->setPresentExporter(false);
    // Asked for while a render runs: opens once that render has stored its result.
    add("d.png");
    model->exportPDF();
    QCoreApplication::processEvents();
    EXPECT_FALSE(model->presentExporter());
    finishRender(3, FakeRenderService::pdf(3));
    EXPECT_TRUE(model->presentExporter());
    EXPECT_EQ(model->pdfInfo()->pageCount, 3);
    model->setPresentExporter(false);
    // Without images there is no PDF to export; pictures can always be added.
    model->mutateSheet([](auto& sheet) { sheet.images.clear(); });
    QCoreApplication::processEvents();
    finishRender(4, std::nullopt);
    EXPECT_FALSE(model->pdfInfo());
    EXPECT_FALSE(model->needsRender());
    model->handleCommand(MenuCommands::Commands::presentExporter());
    QCoreApplication::processEvents();
    EXPECT_FALSE(model->presentExporter());
    model->handleCommand(MenuCommands::Commands::presentImporter());
    EXPECT_TRUE(model->presentImporter());
    EXPECT_EQ(engine.calls.size(), 5u);
    add("e.png");
    model.reset();
    EXPECT_TRUE(engine.calls.back().promise->future().isCanceled()) << "a window closed mid-render stops it";
}

TEST_F(WindowModelTest, ExportWaitsForARenderOfTheCurrentInputsAndReplacesOnlyAnOutdatedOne)
{
    add("a.png");
    finishRender(0, FakeRenderService::pdf(1));
    model->mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    model->renderPDF(WindowModel::renderCommandReason);
    QCoreApplication::processEvents();
    ASSERT_EQ(engine.calls.size(), 2u);
    // Still out of date until that render ends, yet it already draws what the export needs.
    model->exportPDF();
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.calls.size(), 2u) << "not started again from page 1";
    EXPECT_FALSE(engine.calls[1].promise->future().isCanceled());
    EXPECT_FALSE(model->presentExporter());
    finishRender(1, FakeRenderService::pdf(2, "current"));
    EXPECT_TRUE(model->presentExporter());
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("current"));
    EXPECT_FALSE(model->needsRender());
    EXPECT_EQ(systemLines(WindowModel::exportCommandReason), 0);
    model->setPresentExporter(false);

    // Changed while rendering: that render is outdated and one of the new inputs replaces it.
    model->mutateLayout([](PageLayout& layout) { layout.rows = 3; });
    model->renderPDF(WindowModel::renderCommandReason);
    QCoreApplication::processEvents();
    model->mutateLayout([](PageLayout& layout) { layout.columns = 3; });
    model->exportPDF();
    ASSERT_EQ(engine.calls.size(), 3u);
    EXPECT_TRUE(engine.calls[2].promise->future().isCanceled());
    finishRender(2, FakeRenderService::pdf(1, "outdated")); // where the cancelled render stops
    ASSERT_EQ(engine.calls.size(), 4u);
    EXPECT_EQ(engine.calls[3].layout.columns, 3);
    EXPECT_FALSE(model->presentExporter());
    finishRender(3, FakeRenderService::pdf(1, "newest"));
    EXPECT_TRUE(model->presentExporter());
    EXPECT_EQ(model->pdfInfo()->data, QByteArray("newest"));
}

TEST_F(WindowModelTest, AFailedRenderKeepsThePDFAndStaysOutOfDate)
{
    add("a.png");
    finishRender(0, FakeRenderService::pdf(1, "good"));
    ASSERT_FALSE(model->needsRender());
    // An image change renders without marking the PDF out of date; the render throws.
    add("b.png");
    model->exportPDF();
    engine.fail(1, std::make_exception_ptr(std::runtime_error("out of memory")));
    WAIT_UNTIL(!model->isRendering());
    QCoreApplication::processEvents();
    EXPECT_EQ(systemLines("out of memory"), 1);
    EXPECT_EQ(model->pdfInfo().value_or(RuvedovUzedoz::PDFInfo()).data, QByteArray("good"));
    EXPECT_TRUE(model->needsRender()) << "rendering again stays on offer";
    EXPECT_FALSE(model->presentExporter()) << "the older PDF is not exported as the current one";
    EXPECT_EQ(engine.calls.size(), 2u);
    // Whatever a render throws is a failure, not an empty result.
    add("c.png");
    engine.fail(2, std::make_exception_ptr(42));
    WAIT_UNTIL(!model->isRendering());
    EXPECT_EQ(systemLines("The PDF could not be rendered"), 1);
    EXPECT_EQ(model->pdfInfo().value_or(RuvedovUzedoz::PDFInfo()).data, QByteArray("good"));
    EXPECT_TRUE(model->needsRender());
}

TEST_F(WindowModelTest, StartupDefaultsApplyOnlyWhatIsStoredToAFreshProgressObject)
{
    layouts.save(RuvedovUzedoz::SavedPageLayout{.width = 100, .height = 200},
                 LayoutManager::TitleKey("Letter"));
    const PageLayout standard = PageLayout::defaultLayout();
    const std::tuple<const char*, std::optional<QString>, std::optional<QString>, double, double, qint64>
        rows[] = {
            {"nothing stored", std::nullopt, std::nullopt, standard.width, standard.height, 2},
            {"preset", "A4", "Trip", 595.3, 841.9, 5},
            {"default layout", "Default Layout", QString(), standard.width, standard.height, 2},
            {"unknown name", "Nope", std::nullopt, standard.width, standard.height, 5},
            {"custom before preset", "Letter", std::nullopt, 100, 200, 5},
        };
    for (const auto& [name, layoutName, title, width, height, rowCount] : rows) {
        SCOPED_TRACE(name);
        KestrelExtensions::UserDefaults store(folder.filePath(QString::fromLatin1(name) + ".ini"));
        if (layoutName)
            store.setString("DefaultLayoutName", *layoutName);
        if (title)
            store.setString("DefaultTitle", *title);
        store.setString("DefaultAuthor", "Ann");
        log.clear();
        WindowModel window(layouts, engine);
        window.mutateLayout([&](PageLayout& layout) { layout.rows = rowCount; });
        const RuvedovUzedoz::PDFProgress* first = &window.progress();
        QSignalSpy rendering(&window, &WindowModel::renderingChanged);
        window.applyStartupDefaults(store);
        EXPECT_EQ(std::tuple(window.layout().width, window.layout().height, window.layout().rows),
                  std::tuple(width, height, rowCount));
        EXPECT_EQ(window.metadata(),
                  (RuvedovUzedoz::PDFMetadata{.title = title.value_or(""), .author = "Ann"}));
        EXPECT_TRUE(window.needsRender());
        EXPECT_NE(&window.progress(), first);
        EXPECT_EQ(rendering.count(), 1) << "the toolbar follows the new progress object";
        EXPECT_EQ(log.outLines().count("Making new ContactSheet"), 1);
        EXPECT_EQ(log.systemLines().count("Creating new PDFProgress!!"), 2);
    }
}

TEST(WindowModelEngine, RendersRealImagesSkipsBadFilesAndRemovesPDFsNoLongerShown)
{
    QTemporaryDir folder;
    LayoutManager layouts(folder.filePath("Layouts"));
    const QString photos = folder.filePath("photos");
    writeImages(photos, {"one.png", "two.png", "three.png"});
    ASSERT_TRUE(writeFile(photos + "/truncated.jpg", QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10)));
    auto model = std::make_unique<WindowModel>(layouts, RenderService::engine());
    model->openURL(QUrl::fromLocalFile(photos));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->pdfInfo().has_value(); }, 30000));
    EXPECT_EQ(model->pdfInfo()->pageCount, 1);
    // Kept on disk, not in the window's memory.
    ASSERT_TRUE(model->pdfInfo()->file);
    EXPECT_TRUE(model->pdfInfo()->data.isEmpty());
    EXPECT_EQ(readFile(model->pdfInfo()->file->path()).size(), model->pdfInfo()->size);
    EXPECT_FALSE(model->needsRender());
    // A newer render's file replaces the old, which goes; the last goes with the window, even mid-render.
    const QString first = model->pdfInfo()->file->path();
    model->mutateSheet([](auto& sheet) { sheet.images.remove(*sheet.images.begin()); });
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model->pdfInfo() && model->pdfInfo()->file->path() != first; }, 30000));
    WAIT_UNTIL(!QFile::exists(first));
    const QString second = model->pdfInfo()->file->path();
    model->openURL(writeImages(photos, {"four.png"}).first());
    ASSERT_TRUE(model->isRendering());
    model.reset();
    WAIT_UNTIL(!QFile::exists(second));
}

// The file-size limit has its signal ignored, as the application does.
TEST(WindowModelEngine, ARenderThatCannotBeWrittenKeepsTheLastPDFAndSaysWhy)
{
    QTemporaryDir folder;
    LayoutManager layouts(folder.filePath("Layouts"));
    auto model = std::make_unique<WindowModel>(layouts, RenderService::engine());
    model->openURL(writeImages(folder.filePath("photos"), {"one.png"}).first());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->pdfInfo().has_value(); }, 30000));
    const QString shown = model->pdfInfo()->file->path();

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{300, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    model->renderPDF(WindowModel::renderCommandReason);
    WAIT_UNTIL(!model->isRendering());
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(model->renderFailure().value_or("none"), QString::fromLocal8Bit(std::strerror(EFBIG)));
    ASSERT_TRUE(model->pdfInfo());
    EXPECT_EQ(model->pdfInfo()->file->path(), shown);
    EXPECT_TRUE(model->needsRender());

    model->renderPDF(WindowModel::renderCommandReason);
    WAIT_UNTIL(!model->isRendering());
    EXPECT_FALSE(model->renderFailure());
    EXPECT_NE(model->pdfInfo()->file->path(), shown);
    EXPECT_FALSE(model->needsRender());
}

// A window's side of undo: every change of the model is reported to the handler.
struct UndoHandlerTest : ::testing::Test {
    Observable<int> model{1};
    QUndoStack stack;
    std::unique_ptr<UndoHandler<int>> handler = std::make_unique<UndoHandler<int>>();
    QObject context;

    UndoHandlerTest()
    {
        model.onChange(&context, [this](int before, int after) {
            if (handler)
                handler->registerUndo(before, after);
        });
    }
    void bind()
    {
        handler->setBinding(Binding<int>::of(model));
        handler->setUndoManager(&stack);
    }
};

TEST_F(UndoHandlerTest, UndoAndRedoWalkTheChangesWritingEachValueOnce)
{
    model.set(2);
    EXPECT_EQ(stack.count(), 0) << "nothing is registered before the handler is bound";
    bind();
    QSignalSpy changes(&model, &KestrelExtensions::ObservableBase::changed);
    for (int v : {3, 4, 5})
        model.set(v);
    for (int expected : {4, 3, 2}) {
        stack.undo();
        EXPECT_EQ(model.get(), expected);
    }
    EXPECT_EQ(stack.count(), 3) << "undoing registers no new steps";
    stack.redo();
    EXPECT_EQ(model.get(), 3);
    EXPECT_EQ(changes.count(), 7) << "each write once";
}

TEST_F(UndoHandlerTest, AnUndoThatChangesNothingDoesNotSwallowTheNextEdit)
{
    bind();
    model.set(2);
    stack.undo(); // back to 1; redo would restore 2
    // The value changes outside the handler to what redo will write (the window unbound, say).
    handler->setUndoManager(nullptr);
    model.set(2);
    handler->setUndoManager(&stack);
    stack.redo(); // writes 2 over 2: no change is reported
    EXPECT_FALSE(handler->ignoreNextRegister());
    model.set(5);
    EXPECT_EQ(stack.index(), 2);
    stack.undo();
    EXPECT_EQ(model.get(), 2);
}

TEST_F(UndoHandlerTest, SurvivesItsStackOrItselfGoingFirst)
{
    bind();
    model.set(3);
    auto* gone = new QUndoStack;
    handler->setUndoManager(gone);
    delete gone;
    model.set(4); // nothing to register into, nothing to crash
    handler.reset();
    stack.undo(); // the step outlives its handler and does nothing
    EXPECT_EQ(model.get(), 4);
}

} // namespace
