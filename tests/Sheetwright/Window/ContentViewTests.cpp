#include "Sheetwright/Editors/SaveLayout.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/PDFColumn.h"
#include "Sheetwright/Window/PDFPageRenderer.h"
#include "Sheetwright/Window/PDFProgressView.h"
#include "Sheetwright/Window/PDFViewer.h"
#include "Sheetwright/Window/SidebarColumn.h"
#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"
#include "support/LogCapture.h"

#include <KestrelExtensions/Defaults/UserDefaults.h>
#include <KeyWindow/Observation/WindowObserver.h>
#include <QBuffer>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace Sheetwright;
using namespace WindowTests;
using RuvedovUzedoz::PageLayout;

namespace {

// A real PDF of `pages` pages, so the viewer has something to parse.
QByteArray pagesPDF(int pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.drawText(100, 100, QString::number(page));
    }
    painter.end();
    return buffer.data();
}

class ContentViewTest : public WindowFixture {
protected:
    QPointer<ContentView> window;

    void SetUp() override
    {
        window = new ContentView(layouts, engine, defaults);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QCoreApplication::processEvents();
    }
    void TearDown() override { delete window.data(); }

    WindowModel& model() { return window->model(); }
    // Adds images and finishes the render that follows with `pdf`.
    void addAndRender(const QStringList& names, std::optional<RuvedovUzedoz::PDFInfo> pdf)
    {
        const size_t before = engine.calls.size();
        for (const QUrl& url : images(names))
            window->openURL(url);
        ASSERT_TRUE(waitUntil([&] { return engine.calls.size() > before; }));
        engine.finish(engine.calls.size() - 1, std::move(pdf));
        ASSERT_TRUE(waitUntil([&] { return !model().isRendering(); }));
    }
    QStringList rows() const
    {
        QStringList names;
        for (int row = 0; row < window->sidebar()->list()->count(); ++row)
            names << window->sidebar()->list()->item(row)->text();
        return names;
    }
    // The failure report over the window, once it shows.
    QMessageBox* failureReport()
    {
        QMessageBox* report = nullptr;
        waitUntil(
            [&] { return (report = window->findChild<QMessageBox*>(QStringLiteral("failureReport"))); });
        return report;
    }
    static void press(QMessageBox* box, const char* text)
    {
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QLatin1String(text))
                return button->click();
        ADD_FAILURE() << "no button " << text;
    }
};

TEST_F(ContentViewTest, ToolbarButtonsFollowTheWindowState)
{
    QAction* render = window->renderAction();
    QAction* exportPDF = window->exportAction();
    EXPECT_FALSE(render->isEnabled());
    EXPECT_FALSE(exportPDF->isEnabled());
    QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(log.systemLines().contains(WindowModel::renderCommandReason));
    EXPECT_FALSE(window->progressView()->isVisible());

    addAndRender({QStringLiteral("a.png")}, FakeRenderService::pdf(1));
    EXPECT_FALSE(render->isEnabled()) << "the image change rendered already";
    EXPECT_TRUE(exportPDF->isEnabled());

    model().mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    EXPECT_TRUE(render->isEnabled());
    // The shortcut works with the toolbar hidden; the sidebar's button there shows its icon alone.
    auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("mainToolbar"));
    EXPECT_EQ(qobject_cast<QToolButton*>(toolbar->widgetForAction(window->toggleSidebarAction()))
                  ->toolButtonStyle(),
              Qt::ToolButtonIconOnly);
    toolbar->hide();
    QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return engine.calls.size() == 2; }));
    EXPECT_EQ(log.systemLines().count(WindowModel::renderCommandReason), 1);
    EXPECT_FALSE(render->isEnabled());
    EXPECT_FALSE(exportPDF->isEnabled()) << "nothing is exported while a render runs";

    // The progress view's room is kept while it is hidden: the settings form does not move.
    auto* settings = window->settingsColumn()->findChild<QScrollArea*>(QStringLiteral("layoutSettings"));
    ASSERT_TRUE(settings);
    const QRect settingsBefore = settings->geometry();
    auto& progress = model().progress();
    progress.setTotalUnitCount(3);
    progress.setCompletedUnitCount(1);
    progress.setRendering(true);
    EXPECT_TRUE(window->progressView()->isVisible());
    QCoreApplication::processEvents();
    // The bar spans the view above its counts caption, which is set smaller.
    QWidget* bar = window->progressView()->bar();
    EXPECT_GT(bar->width(), window->progressView()->width() / 2);
    EXPECT_LT(bar->geometry().bottom(), window->progressView()->countsLabel()->geometry().top());
    EXPECT_LT(window->progressView()->countsLabel()->font().pointSizeF(), bar->font().pointSizeF());
    EXPECT_EQ(settings->geometry(), settingsBefore);
    EXPECT_EQ(window->progressView()->bar()->maximum(), 3);
    EXPECT_EQ(window->progressView()->bar()->value(), 1);
    EXPECT_EQ(window->progressView()->countsLabel()->text(), QStringLiteral("1 of 3 pages"));
    progress.setRendering(false);
    EXPECT_FALSE(window->progressView()->isVisible());

    ASSERT_TRUE(waitUntil([&] { return engine.calls.size() == 2; }));
    engine.finish(1, FakeRenderService::pdf(1));
    ASSERT_TRUE(waitUntil([&] { return !model().isRendering(); }));
    model().mutateSheet([](RuvedovUzedoz::ContactSheet& sheet) { sheet.images.clear(); });
    ASSERT_TRUE(waitUntil([&] { return engine.calls.size() == 3; }));
    engine.finish(2, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return !model().isRendering(); }));
    EXPECT_FALSE(render->isEnabled());
    EXPECT_FALSE(exportPDF->isEnabled());

    window->toggleSidebarAction()->trigger();
    EXPECT_FALSE(window->sidebar()->isVisible());
    window->toggleSidebarAction()->trigger();
    EXPECT_TRUE(window->sidebar()->isVisible());
}

TEST_F(ContentViewTest, SidebarListsImagesInNaturalOrderAndRemovesTheSelection)
{
    addAndRender({QStringLiteral("img10.jpg"), QStringLiteral("img2.jpg"), QStringLiteral("Img1.png")},
                 FakeRenderService::pdf(1));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Img1.png"), QStringLiteral("img2.jpg"),
                                   QStringLiteral("img10.jpg")}));
    SidebarColumn* sidebar = window->sidebar();
    EXPECT_FALSE(sidebar->removeAction()->isEnabled());

    sidebar->list()->item(0)->setSelected(true);
    sidebar->list()->item(2)->setSelected(true);
    EXPECT_TRUE(sidebar->removeAction()->isEnabled());
    EXPECT_EQ(sidebar->removeButton()->defaultAction(), sidebar->removeAction());

    // The selection survives images being added.
    addAndRender({QStringLiteral("img3.jpg")}, FakeRenderService::pdf(1));
    EXPECT_EQ(sidebar->selectedImages().size(), 2);

    // Ctrl+Backspace in a text field of the settings column edits the text, not the images.
    auto* field = window->settingsColumn()->findChild<QLineEdit*>(QStringLiteral("titleField"));
    ASSERT_TRUE(field);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(model().images().size(), 4);

    const size_t renders = engine.calls.size();
    sidebar->list()->setFocus();
    QTest::keyClick(sidebar->list(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("img2.jpg"), QStringLiteral("img3.jpg")}));
    EXPECT_TRUE(sidebar->selectedImages().isEmpty());
    EXPECT_FALSE(sidebar->removeAction()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return engine.calls.size() == renders + 1; }));
    QTest::qWait(20);
    EXPECT_EQ(engine.calls.size(), renders + 1) << "one removal, one render";
}

TEST_F(ContentViewTest, DroppingFilesAddsThemTogether)
{
    SidebarColumn* sidebar = window->sidebar();
    const auto urls = images({QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png")});
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.com/x.jpg"))});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sidebar, &refused);
    EXPECT_FALSE(refused.isAccepted());

    QMimeData files;
    files.setUrls({urls[0], urls[1], QUrl(QStringLiteral("https://example.com/x.jpg")), urls[2]});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sidebar, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(sidebar->isTargeted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sidebar, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(sidebar->isTargeted());
    EXPECT_EQ(log.systemLines().last(), QStringLiteral("Dropping 3 items"));
    ASSERT_TRUE(waitUntil([&] { return model().images().size() == 3; }));
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding 3 new URLs to contact sheet")));
    ASSERT_TRUE(waitUntil([&] { return !engine.calls.empty(); }));
    QTest::qWait(20);
    EXPECT_EQ(engine.calls.size(), 1u);
    EXPECT_TRUE(window->sidebar()->hint()->isVisible());
}

TEST_F(ContentViewTest, ANewWindowFitsTheScreen)
{
    // The offscreen screen is smaller than the usual window size.
    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.width(), 1100);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Sheetwright"));
    EXPECT_TRUE(window->centralWidget()->isAncestorOf(window->sidebar()));
    EXPECT_LE(window->width(), std::max(available.width(), window->minimumSizeHint().width()));
    EXPECT_LE(window->height(), std::max(available.height(), window->minimumSizeHint().height()));
    EXPECT_GE(window->width(), window->minimumSizeHint().width());
}

TEST_F(ContentViewTest, PDFColumnShowsCountsSizeAndTheDocument)
{
    PDFColumn* column = window->pdfColumn();
    EXPECT_EQ(column->countsLabel()->text(), QStringLiteral("0 images, 0 pages"));
    EXPECT_FALSE(column->dashLabel()->isVisible());
    EXPECT_FALSE(column->sizeLabel()->isVisible());
    EXPECT_EQ(log.outLines().count(QStringLiteral("Making View")), 1);
    EXPECT_EQ(log.outLines().count(QStringLiteral("Updating View")), 0);

    const QByteArray pdf = pagesPDF(2);
    addAndRender({QStringLiteral("a.png")}, RuvedovUzedoz::PDFInfo{pdf, 94'250, 2});
    EXPECT_EQ(column->countsLabel()->text(), QStringLiteral("1 image, 2 pages"));
    EXPECT_TRUE(column->dashLabel()->isVisible());
    EXPECT_EQ(column->dashLabel()->text(), QString(QChar(0x2014)));
    EXPECT_EQ(column->sizeLabel()->text(), QStringLiteral("94 KB"));
    PDFViewer* viewer = column->viewer();
    ASSERT_TRUE(waitUntil([&] { return !viewer->isLoading(); }));
    EXPECT_EQ(viewer->pageCount(), 2);
    ASSERT_TRUE(waitUntil([&] { return !viewer->pageImage(0).isNull(); }));
    EXPECT_GT(viewer->pageImage(0).width(), 100);
    EXPECT_EQ(log.outLines().count(QStringLiteral("Updating View")), 1);

    // The image count moves at once; the page count waits for the render.
    window->openURL(images({QStringLiteral("b.png")}).first());
    EXPECT_EQ(column->countsLabel()->text(), QStringLiteral("2 images, 2 pages"));
    ASSERT_TRUE(waitUntil([&] { return engine.calls.size() == 2; }));
    engine.finish(1, RuvedovUzedoz::PDFInfo{"not a pdf", 9, 1});
    ASSERT_TRUE(waitUntil([&] { return !model().isRendering(); }));
    ASSERT_TRUE(waitUntil([&] { return !viewer->isLoading(); }));
    EXPECT_EQ(viewer->pageCount(), 0) << "bytes that do not parse leave the view empty";
    EXPECT_EQ(column->countsLabel()->text(), QStringLiteral("2 images, 1 page"));
    EXPECT_EQ(column->sizeLabel()->text(), QStringLiteral("9 bytes"));
    EXPECT_EQ(log.outLines().count(QStringLiteral("Updating View")), 2);
}

TEST(PDFViewerFile, AViewerReadsAPDFKeptOnDiskAndHoldsItUntilReplaced)
{
    QTemporaryDir folder;
    auto file = RuvedovUzedoz::PDFFile::create(folder.filePath(QStringLiteral("renders")));
    ASSERT_TRUE(file);
    const QString path = file->path();
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(pagesPDF(2));
    }
    std::optional<RuvedovUzedoz::PDFInfo> pdf = RuvedovUzedoz::PDFInfo{{}, QFileInfo(path).size(), 2, file};
    file.reset();
    PDFViewer viewer(pdf);
    viewer.resize(400, 600);
    viewer.show();
    pdf.reset();
    ASSERT_TRUE(waitUntil([&] { return !viewer.isLoading(); }));
    EXPECT_EQ(viewer.pageCount(), 2);
    ASSERT_TRUE(waitUntil([&] { return !viewer.pageImage(0).isNull(); }));
    EXPECT_TRUE(QFile::exists(path)) << "the file stays while it is shown";
    viewer.setPDF(std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(path); })) << "and goes once it no longer is";
    EXPECT_EQ(viewer.pageCount(), 0);
}

TEST_F(ContentViewTest, ExportWritesTheShownPDFWhereTheUserChooses)
{
    model().mutateSheet(
        [](RuvedovUzedoz::ContactSheet& sheet) { sheet.metadata.title = QStringLiteral("Trip/Day 1"); });
    addAndRender({QStringLiteral("a.png")}, FakeRenderService::pdf(1, "%PDF-exported"));
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return window->exporter() != nullptr; }));
    QFileDialog* dialog = window->exporter();
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("Trip-Day 1.pdf"));
    EXPECT_TRUE(model().presentExporter());

    const QString path = folder.filePath(QStringLiteral("out.pdf"));
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(waitUntil([&] { return !model().presentExporter(); }));
    // The file is written in the background; the log line comes once it is complete.
    ASSERT_TRUE(
        waitUntil([&] { return log.outLines().contains(QStringLiteral("Exporting PDF to ") + path); }));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("%PDF-exported"));

    // A place that cannot take the file: the reason is logged and nothing claims an export.
    log.clear();
    ASSERT_TRUE(waitUntil([&] { return window->exporter() == nullptr; }));
    model().exportPDF();
    ASSERT_TRUE(waitUntil([&] { return window->exporter() != nullptr; }));
    const QString blocked = path + QStringLiteral("/inside.pdf");
    window->exporter()->selectFile(blocked);
    QMetaObject::invokeMethod(window->exporter(), "accept");
    // The user is told what failed, where and why, over the window; the log has the same line.
    QMessageBox* report = failureReport();
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->isVisible());
    EXPECT_EQ(report->windowModality(), Qt::WindowModal);
    EXPECT_EQ(report->text(), QStringLiteral("The PDF could not be exported."));
    EXPECT_EQ(report->textFormat(), Qt::PlainText) << "names and reasons are never read as markup";
    EXPECT_TRUE(report->informativeText().contains(blocked));
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines().first().startsWith(
        QStringLiteral("The PDF could not be exported (%1): ").arg(blocked)));
    EXPECT_GT(log.systemLines().first().size(),
              QStringLiteral("The PDF could not be exported (%1): ").arg(blocked).size());
    EXPECT_FALSE(QFile::exists(blocked));
    EXPECT_TRUE(log.outLines().filter(QStringLiteral("Exporting PDF to")).isEmpty());
    report->accept();
}

TEST_F(ContentViewTest, ExportWithAnEmptyTitleProposesNoName)
{
    addAndRender({QStringLiteral("a.png")}, FakeRenderService::pdf(1));
    model().exportPDF();
    ASSERT_TRUE(waitUntil([&] { return window->exporter() != nullptr; }));
    EXPECT_TRUE(window->exporter()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text().isEmpty());
    window->exporter()->reject();
    ASSERT_TRUE(waitUntil([&] { return !model().presentExporter(); }));
}

TEST_F(ContentViewTest, CommandsActOnlyWhileTheWindowIsKey)
{
    const PageLayout before = model().layout();
    KeyWindow::windowObserver(window)->setIsKeyWindow(false);
    window->commands().setCommand(MenuCommands::Commands::rotatePage());
    EXPECT_EQ(model().layout(), before);
    KeyWindow::windowObserver(window)->setIsKeyWindow(true);
    window->commands().setCommand(MenuCommands::Commands::rotatePage());
    EXPECT_DOUBLE_EQ(model().layout().width, before.height);
    window->commands().setCommand(MenuCommands::Commands::rotatePage());
    EXPECT_EQ(model().layout(), before) << "the same command twice is delivered twice";
}

TEST_F(ContentViewTest, DeleteConfirmationShowsTheNameAsTyped)
{
    const LayoutManager::TitleKey name(QStringLiteral("A<b>&"));
    layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 4}, name);
    window->commands().setCommand(MenuCommands::Commands::deleteLayout(name));
    ASSERT_TRUE(waitUntil([&] { return window->alert() != nullptr; }));
    QMessageBox* alert = window->alert();
    EXPECT_EQ(alert->textFormat(), Qt::PlainText);
    EXPECT_EQ(alert->text(), QStringLiteral("Do you want to delete the saved layout 'A<b>&'?"));
    press(alert, "Cancel");
    ASSERT_TRUE(waitUntil([&] { return !model().presentAlert(); }));
    EXPECT_EQ(layouts.layouts().count(name), 1u);

    window->commands().setCommand(MenuCommands::Commands::deleteLayout(name));
    ASSERT_TRUE(waitUntil([&] { return window->alert() != nullptr; }));
    press(window->alert(), "Delete");
    ASSERT_TRUE(waitUntil([&] { return !model().presentAlert(); }));
    EXPECT_EQ(layouts.layouts().count(name), 0u);
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("failureReport")));

    // A layout whose file went away behind the window's back: the failure is shown, not swallowed.
    const LayoutManager::TitleKey gone(QStringLiteral("Gone"));
    layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 2}, gone);
    QFile::remove(layouts.filePath(gone));
    log.clear();
    ASSERT_TRUE(waitUntil([&] { return window->alert() == nullptr; }));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->commands().setCommand(MenuCommands::Commands::deleteLayout(gone));
    ASSERT_TRUE(waitUntil([&] { return window->alert() != nullptr; }));
    press(window->alert(), "Delete");
    QMessageBox* report = failureReport();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->text(), QStringLiteral("The layout \u201CGone\u201D could not be deleted."));
    EXPECT_TRUE(report->informativeText().contains(QStringLiteral("Gone.swlayout")));
    EXPECT_EQ(log.systemLines().size(), 1);
    EXPECT_EQ(layouts.layouts().count(gone), 1u);
    report->accept();
}

TEST_F(ContentViewTest, SaveLayoutSheetHoldsTheLayoutOfThatMoment)
{
    model().mutateLayout([](PageLayout& layout) { layout.rows = 6; });
    window->commands().setCommand(MenuCommands::Commands::saveLayout());
    ASSERT_TRUE(waitUntil([&] { return window->saveLayoutSheet() != nullptr; }));
    auto* sheet = qobject_cast<SaveLayout*>(window->saveLayoutSheet());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->name(), QStringLiteral("New Layout"));
    EXPECT_EQ(sheet->options(), RuvedovUzedoz::SavedPageLayout::Options{});
    model().mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    sheet->save();
    ASSERT_TRUE(waitUntil([&] { return !model().presentSaveLayout(); }));
    const auto saved = layouts.layout(LayoutManager::TitleKey(QStringLiteral("New Layout")));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->rows, 6);
}

TEST_F(ContentViewTest, ImageChooserAddsFilesAndFolders)
{
    const QString photos = folder.filePath(QStringLiteral("photos"));
    writeImages(photos + QStringLiteral("/trip"), {QStringLiteral("x.png"), QStringLiteral("y.png")});
    writeImages(photos + QStringLiteral("/trip/deeper"), {QStringLiteral("z.png")});
    images({QStringLiteral("single.png")});
    window->sidebar()->addButton()->click();
    ASSERT_TRUE(waitUntil([&] { return window->importer() != nullptr; }));
    EXPECT_TRUE(model().presentImporter());
    ImageChooserDialog* chooser = window->importer();
    chooser->setDirectory(photos);
    ASSERT_TRUE(waitUntil([&] {
        chooser->selectNames({QStringLiteral("trip"), QStringLiteral("single.png")});
        return chooser->selectedUrls().size() == 2;
    }));
    auto* buttons = chooser->findChild<QDialogButtonBox*>();
    buttons->button(QDialogButtonBox::Open)->click();
    ASSERT_TRUE(waitUntil([&] { return !model().presentImporter(); }));
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("single.png"), QStringLiteral("x.png"), QStringLiteral("y.png")}));

    // Cancelled: nothing added, and it opens again at once.
    model().setPresentImporter(true);
    ASSERT_TRUE(waitUntil([&] { return window->importer() != nullptr; }));
    window->importer()->reject();
    ASSERT_TRUE(waitUntil([&] { return !model().presentImporter(); }));
    EXPECT_EQ(model().images().size(), 3);
}

TEST_F(ContentViewTest, UndoReachesTheWindowFromAFieldWithNothingToUndo)
{
    // The Edit menu's actions, as the application gives every window.
    QAction* undo = model().undoStack().createUndoAction(window, QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    window->addAction(undo);
    QAction* redo = model().undoStack().createRedoAction(window, QStringLiteral("Redo"));
    redo->setShortcut(QKeySequence::Redo);
    window->addAction(redo);

    auto* width = window->settingsColumn()->findChild<QLineEdit*>(QStringLiteral("widthField"));
    ASSERT_TRUE(width);
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("12"));
    QTest::keyClick(width, Qt::Key_Return);
    ASSERT_DOUBLE_EQ(model().layout().width, 12 * 72);
    ASSERT_TRUE(width->hasFocus()) << "focus stays in the field after Return";
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Change Width"));

    QTest::keyClick(width, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(model().layout().width, 792);
    QTest::keySequence(width, redo->shortcut());
    EXPECT_DOUBLE_EQ(model().layout().width, 12 * 72);

    // While the field has typing of its own, Ctrl+Z undoes that typing and leaves the layout alone.
    QTest::keyClicks(width, QStringLiteral("5"));
    QTest::keyClick(width, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(model().layout().width, 12 * 72);
    EXPECT_EQ(width->text(), QStringLiteral("12 in"));
}

TEST(PDFPageRenderer, DrawsOnlyPagesThePDFHasForTheCurrentPDF)
{
    PDFPageRenderer renderer;
    QSignalSpy drawn(&renderer, &PDFPageRenderer::rendered);
    renderer.setCurrentGeneration(1);
    renderer.load(1, RuvedovUzedoz::PDFInfo{pagesPDF(2), 0, 2});
    for (int page : {-1, 2, 1})
        renderer.render(1, page, QSize(60, 80));
    ASSERT_EQ(drawn.count(), 1);
    EXPECT_EQ(drawn.first().at(1).toInt(), 1);
    EXPECT_EQ(drawn.first().at(2).value<QImage>().size(), QSize(60, 80));
    renderer.setCurrentGeneration(2);
    renderer.render(1, 0, QSize(60, 80));
    EXPECT_EQ(drawn.count(), 1) << "a replaced PDF is not drawn";
}

TEST(PDFViewerPlace, ARenderKeepsThePageAndPlaceOnShow)
{
    PDFViewer viewer(RuvedovUzedoz::PDFInfo{pagesPDF(5), 0, 5});
    viewer.resize(400, 300);
    viewer.show();
    ASSERT_TRUE(waitUntil([&] { return viewer.pageCount() == 5; }));
    EXPECT_EQ(viewer.currentPage(), 0);
    // The first page is drawn: its number shows in ink on white paper, 10 pixels in from the edges.
    QImage shot;
    ASSERT_TRUE(waitUntil([&] {
        shot = viewer.viewport()->grab().toImage();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (qGray(shot.pixel(x, y)) < 100)
                    return true;
        return false;
    }));
    EXPECT_EQ(shot.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_NE(shot.pixel(9, 10), qRgb(255, 255, 255));
    EXPECT_NE(shot.pixel(10, 9), qRgb(255, 255, 255));
    QScrollBar* scroll = viewer.verticalScrollBar();
    const int pageStride = scroll->maximum() / 4;
    scroll->setValue(2 * pageStride + pageStride / 3); // a third into page 3
    ASSERT_EQ(viewer.currentPage(), 2);
    const int placed = scroll->value();

    QSignalSpy loaded(&viewer, &PDFViewer::documentLoaded);
    viewer.setPDF(RuvedovUzedoz::PDFInfo{pagesPDF(5), 0, 5});
    ASSERT_TRUE(waitUntil([&] { return !viewer.isLoading(); }));
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_EQ(loaded.first().first().toInt(), 5);
    EXPECT_EQ(viewer.currentPage(), 2);
    EXPECT_NEAR(scroll->value(), placed, 2);

    // Fewer pages: the last one, from its top.
    viewer.setPDF(RuvedovUzedoz::PDFInfo{pagesPDF(2), 0, 2});
    ASSERT_TRUE(waitUntil([&] { return !viewer.isLoading(); }));
    EXPECT_EQ(viewer.currentPage(), 1);
}

TEST_F(ContentViewTest, ALayoutWithoutRoomForCellsIsExplainedInThePDFColumn)
{
    PDFColumn* column = window->pdfColumn();
    EXPECT_FALSE(column->problemLabel()->isVisible());
    EXPECT_TRUE(column->viewer()->isVisible());
    const std::vector<std::pair<std::function<void(PageLayout&)>, bool>> edits{
        {[](PageLayout& l) { l.margin = 400; }, false},
        {[](PageLayout& l) { l.margin = 18; }, true},
        // The grid takes its share of margins too: 11 gutters of 60 points do not fit 612.
        {[](PageLayout& l) { l.margin = 60, l.rows = 10; }, false},
        {[](PageLayout& l) { l.rows = 2; }, true},
    };
    for (const auto& [edit, fits] : edits) {
        model().mutateLayout(edit);
        EXPECT_EQ(column->viewer()->isVisible(), fits);
        EXPECT_EQ(column->problemLabel()->isVisible(), !fits);
        if (!fits) {
            EXPECT_TRUE(column->problemLabel()->text().contains(QStringLiteral("margin")));
            EXPECT_TRUE(column->problemLabel()->wordWrap()) << "a long reason stays inside the column";
            EXPECT_EQ(column->problemLabel()->textFormat(), Qt::PlainText);
        }
    }
}

} // namespace
