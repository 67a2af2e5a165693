#include "RuvedovUzedoz/Sheet/RenderFailure.h"
#include "Sheetwright/Editors/LabelledView.h"
#include "Sheetwright/Editors/SaveLayout.h"
#include "Sheetwright/Window/ContentView.h"
#include "Sheetwright/Window/ImageChooserDialog.h"
#include "Sheetwright/Window/PDFColumn.h"
#include "Sheetwright/Window/PDFPageRenderer.h"
#include "Sheetwright/Window/PDFProgressView.h"
#include "Sheetwright/Window/PDFViewer.h"
#include "Sheetwright/Window/SidebarColumn.h"
#include "Sheetwright/Window/WindowModel.h"
#include "WindowTestSupport.h"

#include <QBuffer>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QToolBar>
#include <QTreeView>

using namespace Sheetwright;
using namespace WindowTests;
using RuvedovUzedoz::PageLayout;
using RuvedovUzedoz::PDFInfo;

namespace {

// A real PDF of `pages` pages, each with its number in ink.
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
    QPointer<ContentView> window = new ContentView(layouts, engine, defaults);

    void SetUp() override
    {
        window->show();
        ASSERT_TRUE(activate(window));
        QCoreApplication::processEvents();
    }
    void TearDown() override { delete window.data(); }

    WindowModel& model() { return window->model(); }
    // Adds images and finishes the render that follows with `pdf`.
    void addAndRender(const QStringList& names, FakeRenderService::Result pdf)
    {
        const size_t before = engine.calls.size();
        for (const QUrl& url : images(names))
            window->openURL(url);
        WAIT_UNTIL(engine.calls.size() > before);
        engine.finish(engine.calls.size() - 1, std::move(pdf));
        WAIT_UNTIL(!model().isRendering());
    }
    QStringList rows() const
    {
        QStringList names;
        for (int row = 0; row < window->sidebar()->list()->count(); ++row)
            names << window->sidebar()->list()->item(row)->text();
        return names;
    }
};

TEST_F(ContentViewTest, ProgressAndToolbarButtonsFollowTheRenders)
{
    PDFProgressView* view = window->progressView();
    EXPECT_FALSE(view->isVisible());
    auto* settings = window->settingsColumn()->findChild<QScrollArea*>("layoutSettings");
    const QRect before = settings->geometry();
    EXPECT_EQ(before.bottom(), window->settingsColumn()->height() - 1) << "no room kept for the progress";
    model().progress().setTotalUnitCount(3);
    model().progress().setCompletedUnitCount(1);
    model().progress().setRendering(true);
    EXPECT_TRUE(view->isVisible());
    QCoreApplication::processEvents();
    // The bar spans the view above its counts caption, which is set smaller.
    EXPECT_GT(view->bar()->width(), view->width() / 2);
    EXPECT_LT(view->bar()->geometry().bottom(), view->countsLabel()->geometry().top());
    EXPECT_LT(view->countsLabel()->font().pointSizeF(), view->bar()->font().pointSizeF());
    EXPECT_LT(settings->geometry().bottom(), view->geometry().top()) << "the progress sits below the form";
    EXPECT_EQ(settings->pos(), QPoint(0, 0)) << "the settings reach the column's edges";
    EXPECT_EQ(view->bar()->x(), view->width() - view->bar()->geometry().right() - 1) << "inset evenly";
    EXPECT_EQ(std::pair(view->bar()->value(), view->bar()->maximum()), std::pair(1, 3));
    EXPECT_EQ(view->countsLabel()->text(), "1 of 3 pages");
    model().progress().setRendering(false);
    EXPECT_FALSE(view->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(settings->geometry(), before);
    const auto enabled = [&] {
        return std::pair(window->renderAction()->isEnabled(), window->exportAction()->isEnabled());
    };
    auto* toolbar = window->findChild<QToolBar*>("mainToolbar");
    EXPECT_FALSE(toolbar->toggleViewAction()->isVisible()) << "the toolbar is not to be hidden for good";
    EXPECT_EQ(qobject_cast<QToolButton*>(toolbar->widgetForAction(window->toggleSidebarAction()))
                  ->toolButtonStyle(),
              Qt::ToolButtonIconOnly);
    EXPECT_EQ(enabled(), std::pair(false, false));
    addAndRender({"a.png"}, FakeRenderService::pdf(1));
    EXPECT_EQ(enabled(), std::pair(false, true)) << "the image change rendered already";
    model().mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    EXPECT_EQ(enabled(), std::pair(true, true));
    // The shortcut works with the toolbar hidden, once while the render it started runs.
    toolbar->hide();
    QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
    WAIT_UNTIL(engine.calls.size() == 2);
    EXPECT_EQ(log.systemLines().count(WindowModel::renderCommandReason), 1);
    EXPECT_EQ(enabled(), std::pair(false, false)) << "nothing is exported while a render runs";
    for (const bool shown : {false, true})
        EXPECT_EQ((window->toggleSidebarAction()->trigger(), window->sidebar()->isVisible()), shown);
}

TEST_F(ContentViewTest, SidebarTakesDroppedLocalFilesListsThemInOrderAndRemovesTheSelection)
{
    SidebarColumn* sidebar = window->sidebar();
    EXPECT_NEAR(sidebar->hint()->geometry().center().x(), sidebar->list()->geometry().center().x(), 1);
    EXPECT_NEAR(sidebar->hint()->geometry().center().y(), sidebar->list()->geometry().center().y(), 1);
    const auto urls = images({"img10.jpg", "img2.jpg", "Img1.png"});
    const QUrl remote("https://example.com/x.jpg");
    QMimeData remoteOnly, files;
    remoteOnly.setUrls({remote});
    files.setUrls({urls[0], urls[1], remote, urls[2], urls[0]});
    const auto enter = [&](QMimeData* data) {
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar, &event);
        return event.isAccepted();
    };
    EXPECT_FALSE(enter(&remoteOnly));
    EXPECT_FALSE(sidebar->isTargeted());
    EXPECT_TRUE(enter(&files));
    for (QMimeData* data : {&remoteOnly, &files}) {
        QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(sidebar, &move);
        EXPECT_EQ(move.isAccepted(), data == &files);
    }
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(sidebar, &leave);
    EXPECT_FALSE(sidebar->isTargeted());
    EXPECT_TRUE(enter(&files));
    EXPECT_TRUE(sidebar->isTargeted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sidebar, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(sidebar->isTargeted());
    EXPECT_EQ(log.systemLines().last(), "Dropping 4 items");
    // One addition of the distinct files, one render.
    WAIT_UNTIL(!engine.calls.empty());
    EXPECT_TRUE(log.systemLines().contains("Adding 3 new URLs to contact sheet"));
    QSignalSpy renderingChanges(&model(), &WindowModel::renderingChanged);
    engine.finish(0, FakeRenderService::pdf(1));
    WAIT_UNTIL(!model().isRendering());
    EXPECT_EQ(renderingChanges.count(), 2) << "the toolbar hears that the render ended";
    EXPECT_EQ(rows(), (QStringList{"Img1.png", "img2.jpg", "img10.jpg"}));
    EXPECT_LT(sidebar->hint()->font().pointSizeF(), sidebar->list()->font().pointSizeF()) << "a caption";
    EXPECT_FALSE(sidebar->removeAction()->isEnabled());
    sidebar->list()->item(0)->setSelected(true);
    sidebar->list()->item(2)->setSelected(true);
    EXPECT_TRUE(sidebar->removeAction()->isEnabled());
    // The selection survives images being added; files already there add nothing and render nothing.
    addAndRender({"img3.jpg"}, FakeRenderService::pdf(1));
    model().addDroppedURLs({urls[1]});
    EXPECT_EQ(sidebar->selectedImages().size(), 2);
    // Ctrl+Backspace in a text field of the settings column edits the text, not the images.
    auto* field = window->settingsColumn()->findChild<QLineEdit*>("titleField");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(model().images().size(), 4);
    sidebar->list()->setFocus();
    QTest::keyClick(sidebar->list(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(rows(), (QStringList{"img2.jpg", "img3.jpg"}));
    EXPECT_TRUE(sidebar->selectedImages().isEmpty());
    EXPECT_FALSE(sidebar->removeAction()->isEnabled());
    WAIT_UNTIL(engine.calls.size() == 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.calls.size(), 3u);
}

TEST_F(ContentViewTest, ANewWindowFitsTheScreenAndItsColumnsKeepTheirRoom)
{
    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.width(), 1100) << "the offscreen screen is smaller than the usual window size";
    EXPECT_LE(window->width(), std::max(available.width(), window->minimumSizeHint().width()));
    EXPECT_LE(window->height(), std::max(available.height(), window->minimumSizeHint().height()));
    // The settings column gets its room first; past that, a wider window widens only the PDF column.
    QWidget* settings = window->settingsColumn();
    EXPECT_EQ(window->pdfColumn()->width(), window->pdfColumn()->viewer()->minimumWidth());
    window->resize(window->width() + 200, window->height());
    WAIT_UNTIL(window->pdfColumn()->width() > 300);
    const int sidebarWidth = window->sidebar()->width(), settingsWidth = settings->width(),
              pdfWidth = window->pdfColumn()->width();
    window->resize(window->width() + 200, window->height());
    WAIT_UNTIL(window->pdfColumn()->width() == pdfWidth + 200);
    EXPECT_EQ(window->sidebar()->width(), sidebarWidth);
    EXPECT_EQ(settings->width(), settingsWidth);
    // The settings column cannot be dragged shut.
    QSplitterHandle* handle = qobject_cast<QSplitter*>(settings->parentWidget())->handle(1);
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(handle, QPoint(3000, 1));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(3000, 1));
    EXPECT_LT(settings->width(), settingsWidth);
    EXPECT_GT(settings->width(), 0);
}

TEST_F(ContentViewTest, AtTheUsualSizeEverySettingsRowShowsWithoutScrolling)
{
    window->resize(1100, 720);
    WAIT_UNTIL(window->height() == 720);
    QCoreApplication::processEvents();
    auto* settings = window->settingsColumn()->findChild<QScrollArea*>("layoutSettings");
    auto* slider = settings->findChild<QWidget*>("compressionQualitySlider");
    // The last row, caption included, ends inside the visible part of the column.
    QWidget* lastRow = slider->parentWidget()->parentWidget();
    ASSERT_TRUE(qobject_cast<LabelledView*>(lastRow));
    const int bottom = lastRow->mapTo(settings->viewport(), QPoint(0, lastRow->height())).y();
    EXPECT_LE(bottom, settings->viewport()->height());
    EXPECT_EQ(settings->verticalScrollBar()->value(), 0);
}

TEST_F(ContentViewTest, PDFColumnShowsCountsSizeAndTheDocumentOrWhyThereIsNone)
{
    PDFColumn* column = window->pdfColumn();
    PDFViewer* viewer = column->viewer();
    EXPECT_EQ(column->countsLabel()->text(), "0 images, 0 pages");
    EXPECT_FALSE(column->dashLabel()->isVisible());
    EXPECT_FALSE(column->sizeLabel()->isVisible());
    addAndRender({"a.png"}, PDFInfo{pagesPDF(2), 94'250, 2});
    EXPECT_EQ(column->countsLabel()->text(), "1 image, 2 pages");
    EXPECT_TRUE(column->dashLabel()->isVisible());
    EXPECT_EQ(column->sizeLabel()->text(), "94 KB");
    WAIT_UNTIL(!viewer->isLoading() && !viewer->pageImage(0).isNull());
    EXPECT_EQ(viewer->pageCount(), 2);
    // The image count moves at once; the page count waits for the render.
    window->openURL(images({"b.png"}).first());
    EXPECT_EQ(column->countsLabel()->text(), "2 images, 2 pages");
    WAIT_UNTIL(engine.calls.size() == 2);
    engine.finish(1, PDFInfo{"not a pdf", 9, 1});
    WAIT_UNTIL(!model().isRendering() && !viewer->isLoading());
    EXPECT_EQ(viewer->pageCount(), 0) << "bytes that do not parse leave the view empty";
    EXPECT_EQ(column->countsLabel()->text(), "2 images, 1 page");
    EXPECT_EQ(column->sizeLabel()->text(), "9 bytes");
    // A layout without room for its cells is explained in place of the pages.
    QLabel* problem = column->problemLabel();
    for (const double margin : {400.0, 18.0}) {
        model().mutateLayout([&](PageLayout& layout) { layout.margin = margin; });
        EXPECT_EQ(viewer->isVisible(), margin < 100);
        EXPECT_EQ(problem->isVisible(), margin > 100);
        EXPECT_EQ(problem->text().contains("margin"), margin > 100);
    }
    EXPECT_TRUE(problem->wordWrap()) << "a long reason stays inside the column";
    EXPECT_EQ(problem->textFormat(), Qt::PlainText);
    // So are labels that leave no room for the pictures; without labels the same size is fine.
    for (const auto& [fontSize, showsLabel, refused] :
         {std::tuple{190.0, true, true}, {190.0, false, false}, {1.5e6, true, true}, {12.0, true, false}}) {
        model().mutateLayout([&](PageLayout& layout) {
            layout.fontSize = fontSize;
            layout.showsLabel = showsLabel;
        });
        EXPECT_EQ(problem->isVisible(), refused) << fontSize;
        EXPECT_EQ(problem->text().contains("labels leave no room"), refused) << fontSize;
    }
}

TEST_F(ContentViewTest, ARenderThatFailsSaysWhyKeepsTheLastPDFAndOffersRenderingAgain)
{
    PDFColumn* column = window->pdfColumn();
    QLabel* failure = column->failureLabel();
    EXPECT_FALSE(failure->isVisible());
    addAndRender({"a.png", "b.png"}, PDFInfo{pagesPDF(2), 94'250, 2});
    WAIT_UNTIL(!column->viewer()->isLoading());
    window->openURL(images({"c.png"}).first());
    WAIT_UNTIL(engine.calls.size() == 2);
    engine.fail(1, std::make_exception_ptr(RuvedovUzedoz::RenderFailure("No space left on device")));
    WAIT_UNTIL(!model().isRendering());
    EXPECT_TRUE(failure->isVisible());
    EXPECT_TRUE(failure->text().contains("No space left on device")) << failure->text().toStdString();
    EXPECT_EQ(log.systemLines().count("PDF rendering failed: No space left on device"), 1);
    EXPECT_TRUE(column->viewer()->isVisible());
    EXPECT_EQ(column->viewer()->pageCount(), 2) << "the last PDF stays on show";
    EXPECT_EQ(column->countsLabel()->text(), "3 images, 2 pages");
    EXPECT_TRUE(window->renderAction()->isEnabled()) << "rendering again is offered";
    // A reason however long never widens the window.
    const int width = window->width();
    engine.calls.clear();
    window->renderAction()->trigger();
    WAIT_UNTIL(engine.calls.size() == 1);
    engine.fail(0, std::make_exception_ptr(RuvedovUzedoz::RenderFailure(QString(5000, 'x'))));
    WAIT_UNTIL(!model().isRendering());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->width(), width);
    EXPECT_TRUE(window->renderAction()->isEnabled());
    // The next render that ends with a PDF takes the reason away.
    window->renderAction()->trigger();
    WAIT_UNTIL(engine.calls.size() == 2);
    engine.finish(1, PDFInfo{pagesPDF(1), 100, 1});
    WAIT_UNTIL(!model().isRendering());
    EXPECT_FALSE(failure->isVisible());
    EXPECT_FALSE(window->renderAction()->isEnabled());
}

TEST(PDFViewer, DrawsPagesOfTheCurrentPDFAtTheirWidthKeepsThePlaceAcrossRendersAndHoldsItsFile)
{
    const QByteArray five = pagesPDF(5), two = pagesPDF(2);
    PDFViewer viewer(PDFInfo{five, 0, 5});
    viewer.resize(400, 300);
    viewer.show();
    // The first page is drawn: its number shows in ink on white paper, 10 pixels in from the edges.
    QImage shot;
    const auto inked = [&] {
        shot = viewer.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(shot.constBits());
        return std::any_of(pixels, pixels + shot.width() * shot.height(),
                           [](QRgb p) { return qGray(p) < 100; });
    };
    WAIT_UNTIL(inked());
    EXPECT_EQ(viewer.pageCount(), 5);
    EXPECT_EQ(viewer.currentPage(), 0);
    EXPECT_EQ(qGray(shot.pixel(10, 10)), 255);
    EXPECT_NE(qGray(shot.pixel(9, 10)), 255);
    EXPECT_NE(qGray(shot.pixel(10, 9)), 255);
    // At the end, the last page stops 10 pixels above the bottom.
    QScrollBar* scroll = viewer.verticalScrollBar();
    scroll->setValue(scroll->maximum());
    shot = viewer.viewport()->grab().toImage();
    EXPECT_EQ(qGray(shot.pixel(10, shot.height() - 11)), 255);
    EXPECT_NE(qGray(shot.pixel(10, shot.height() - 10)), 255);
    // A wider view draws the pages on show again, at the new width.
    viewer.resize(500, 300);
    WAIT_UNTIL(viewer.pageImage(viewer.currentPage()).width() == viewer.viewport()->width() - 20);
    // Pages 10 pixels apart: the gap's last row above page 3 still counts as page 2.
    const int height = viewer.pageImage(viewer.currentPage()).height();
    for (const auto& [top, page] : {std::pair{2 * height + 29, 1}, {2 * height + 30, 2}}) {
        scroll->setValue(top);
        EXPECT_EQ(viewer.currentPage(), page) << top;
    }
    // A new render shows the same place; with fewer pages, the last page; without a PDF, none.
    const int pageStride = scroll->maximum() / 4;
    scroll->setValue(2 * pageStride + pageStride / 3); // a third into page 3
    ASSERT_EQ(viewer.currentPage(), 2);
    const int placed = scroll->value();
    QSignalSpy loaded(&viewer, &PDFViewer::documentLoaded);
    viewer.setPDF(PDFInfo{five, 0, 5});
    ASSERT_TRUE(loaded.wait());
    EXPECT_EQ(loaded.first().first().toInt(), 5);
    EXPECT_EQ(viewer.currentPage(), 2);
    EXPECT_NEAR(scroll->value(), placed, 2);
    viewer.setPDF(PDFInfo{two, 0, 2});
    ASSERT_TRUE(loaded.wait());
    EXPECT_EQ(viewer.currentPage(), 1);
    viewer.setPDF(std::nullopt); // the bytes shown before live on elsewhere
    ASSERT_TRUE(loaded.wait());
    EXPECT_EQ(viewer.pageCount(), 0);
    EXPECT_EQ(scroll->maximum(), 0) << "nothing to scroll";
    // A PDF kept on disk is read from its file, which stays while it is shown and goes once it is not.
    QTemporaryDir folder;
    std::optional<PDFInfo> pdf = PDFInfo{{}, two.size(), 2, RuvedovUzedoz::PDFFile::create(folder.path())};
    const QString path = pdf->file->path();
    ASSERT_TRUE(writeFile(path, two));
    viewer.setPDF(std::exchange(pdf, std::nullopt));
    ASSERT_TRUE(loaded.wait());
    EXPECT_EQ(viewer.pageCount(), 2);
    WAIT_UNTIL(!viewer.pageImage(viewer.currentPage()).isNull());
    EXPECT_TRUE(QFile::exists(path));
    viewer.setPDF(std::nullopt);
    WAIT_UNTIL(!QFile::exists(path));
    PDFPageRenderer renderer;
    QSignalSpy drawn(&renderer, &PDFPageRenderer::rendered);
    renderer.setCurrentGeneration(1);
    renderer.load(1, PDFInfo{pagesPDF(2), 0, 2});
    for (int page : {-1, 2, 1})
        renderer.render(1, page, QSize(60, 80));
    ASSERT_EQ(drawn.count(), 1);
    EXPECT_EQ(drawn.first().at(1).toInt(), 1);
    EXPECT_EQ(drawn.first().at(2).value<QImage>().size(), QSize(60, 80));
    renderer.setCurrentGeneration(2);
    renderer.render(1, 0, QSize(60, 80));
    renderer.render(2, 0, QSize(60, 80));
    EXPECT_EQ(drawn.count(), 1) << "neither a replaced PDF nor one not loaded yet is drawn";
}

TEST_F(ContentViewTest, ExportWritesTheShownPDFWhereTheUserChoosesOrSaysWhyNot)
{
    model().mutateSheet([](auto& sheet) { sheet.metadata.title = "Trip/Day 1"; });
    addAndRender({"a.png"}, FakeRenderService::pdf(1, "%PDF-exported"));
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    WAIT_UNTIL(window->exporter());
    QFileDialog* dialog = window->exporter();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog)) << "the same dialog on every desktop";
    EXPECT_EQ(dialog->findChild<QLineEdit*>("fileNameEdit")->text(), "Trip-Day 1.pdf");
    const QString path = folder.filePath("out.pdf");
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
    WAIT_UNTIL(!model().presentExporter());
    // The file is written in the background; the log line comes once it is complete.
    WAIT_UNTIL(log.outLines().contains("Exporting PDF to " + path));
    EXPECT_EQ(readFile(path), QByteArray("%PDF-exported"));
    // A place that cannot take the file: the user is told what failed, where and why, over the window.
    log.clear();
    WAIT_UNTIL(!window->exporter());
    model().exportPDF();
    WAIT_UNTIL(window->exporter());
    const QString blocked = path + "/inside.pdf";
    window->exporter()->selectFile(blocked);
    QMetaObject::invokeMethod(window->exporter(), "accept");
    WAIT_UNTIL(window->findChild<QMessageBox*>("failureReport"));
    auto* report = window->findChild<QMessageBox*>("failureReport");
    EXPECT_EQ(report->text(), "The PDF could not be exported.");
    EXPECT_EQ(report->textFormat(), Qt::PlainText) << "names and reasons are never read as markup";
    EXPECT_TRUE(report->informativeText().contains(blocked));
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines().first().startsWith("The PDF could not be exported (" + blocked + "): "));
    EXPECT_TRUE(log.outLines().isEmpty());
    report->accept();
}

TEST_F(ContentViewTest, LayoutCommandsConfirmDeletesReportFailuresAndSaveTheLayoutOfThatMoment)
{
    const LayoutManager::TitleKey name("A<b>&"), gone("Gone");
    layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 4}, name);
    // A layout whose file went away behind the window's back: the failure is shown, not swallowed.
    layouts.save(RuvedovUzedoz::SavedPageLayout{.rows = 2}, gone);
    QFile::remove(layouts.filePath(gone));
    for (const auto& [layout, answer, kept] :
         {std::tuple{name, "Cancel", 1u}, {name, "Delete", 0u}, {gone, "Delete", 1u}}) {
        log.clear();
        ASSERT_TRUE(activate(window));
        window->commands().setCommand(MenuCommands::Commands::deleteLayout(layout));
        WAIT_UNTIL(window->alert());
        EXPECT_EQ(window->alert()->text(), "Do you want to delete the saved layout '" + layout.name() + "'?");
        EXPECT_EQ(window->alert()->textFormat(), Qt::PlainText);
        for (QAbstractButton* button : window->alert()->buttons())
            if (button->text() == answer)
                button->click();
        WAIT_UNTIL(!model().presentAlert() && !window->alert());
        EXPECT_EQ(layouts.layouts().count(layout), kept);
        EXPECT_EQ(bool(window->findChild<QMessageBox*>("failureReport")), layout == gone);
    }
    auto* report = window->findChild<QMessageBox*>("failureReport");
    EXPECT_EQ(report->text(), "The layout \u201CGone\u201D could not be deleted.");
    EXPECT_TRUE(report->informativeText().contains("Gone.swlayout"));
    EXPECT_EQ(log.systemLines().size(), 1);
    report->accept();
    ASSERT_TRUE(activate(window));
    model().mutateLayout([](PageLayout& layout) { layout.rows = 6; });
    window->commands().setCommand(MenuCommands::Commands::saveLayout());
    WAIT_UNTIL(window->saveLayoutSheet());
    auto* sheet = qobject_cast<SaveLayout*>(window->saveLayoutSheet());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->name(), "New Layout");
    model().mutateLayout([](PageLayout& layout) { layout.rows = 1; });
    sheet->save();
    WAIT_UNTIL(!model().presentSaveLayout());
    EXPECT_EQ(
        layouts.layout(LayoutManager::TitleKey("New Layout")).value_or(RuvedovUzedoz::SavedPageLayout()).rows,
        6);
}

TEST_F(ContentViewTest, ImageChooserAddsFilesAndFolders)
{
    const QString photos = folder.filePath("photos");
    writeImages(photos + "/trip", {"x.png", "y.png"});
    writeImages(photos + "/trip/deeper", {"z.png"});
    images({"single.png"});
    window->sidebar()->addButton()->click();
    WAIT_UNTIL(window->importer() && window->importer()->isVisible());
    EXPECT_TRUE(model().presentImporter());
    ImageChooserDialog* chooser = window->importer();
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    chooser->setDirectory(photos);
    WAIT_UNTIL((chooser->selectNames({"trip", "single.png"}), chooser->selectedUrls().size() == 2));
    chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    WAIT_UNTIL(!model().presentImporter());
    EXPECT_EQ(rows(), (QStringList{"single.png", "x.png", "y.png"}));
    // Cancelled: nothing added, and it opens again at once.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // as back in the main loop
    model().setPresentImporter(true);
    WAIT_UNTIL(window->importer() && window->importer()->isVisible());
    window->importer()->reject();
    WAIT_UNTIL(!model().presentImporter());
    EXPECT_EQ(model().images().size(), 3);
}

TEST_F(ContentViewTest, UndoReachesTheWindowFromAFieldWithNothingToUndo)
{
    // The Edit menu's actions, as the application gives every window.
    QAction* undo = model().undoStack().createUndoAction(window, "Undo");
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = model().undoStack().createRedoAction(window, "Redo");
    redo->setShortcut(QKeySequence::Redo);
    window->addActions({undo, redo});
    auto* width = window->settingsColumn()->findChild<QLineEdit*>("widthField");
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, "12");
    QTest::keyClick(width, Qt::Key_Return);
    ASSERT_DOUBLE_EQ(model().layout().width, 12 * 72);
    ASSERT_TRUE(width->hasFocus()) << "focus stays in the field after Return";
    EXPECT_EQ(undo->text(), "Undo");
    QTest::keyClick(width, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(model().layout().width, 792);
    QTest::keySequence(width, redo->shortcut());
    EXPECT_DOUBLE_EQ(model().layout().width, 12 * 72);
    // While the field has typing of its own, Ctrl+Z undoes that typing and leaves the layout alone.
    QTest::keyClicks(width, "5");
    QTest::keyClick(width, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(model().layout().width, 12 * 72);
    EXPECT_EQ(width->text(), "12 in");
}

} // namespace

class ImageChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeImages(path("trip"), {"IMG_10.png", "IMG_2.png", "img_1.png"});
        writeImages(path("more"), {"c.png", "d.png"});
        QDir(m_folder.path()).mkpath("trip/Zoo");
        QDir(m_folder.path()).mkpath("trip/album 3");
        m_chooser.setDirectory(m_folder.path());
        m_chooser.show();
        ASSERT_TRUE(activate(&m_chooser));
    }

    // Types into the path field as a user would and confirms with Return.
    void typePath(const QString& path)
    {
        m_path->setFocus();
        m_path->selectAll();
        QTest::keyClicks(m_path, path);
        QTest::keyClick(m_path, Qt::Key_Return);
    }
    QString path(const char* relative) const { return m_folder.filePath(QString::fromUtf8(relative)); }
    QList<QUrl> selected(const char* relative) const { return {QUrl::fromLocalFile(path(relative))}; }
    bool listed(int count)
    {
        return QTest::qWaitFor([&] { return m_chooser.entryNames().size() == count; });
    }
    void doubleClick(const QString& name)
    {
        const int row = int(m_chooser.entryNames().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex index = m_view->model()->index(row, 0, m_view->rootIndex());
        WAIT_UNTIL(m_view->visualRect(index).isValid());
        // The view acts on a double-click only after the press that starts it.
        QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(index).center());
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(index).center());
    }
    QToolButton* button(const char* name) { return m_chooser.findChild<QToolButton*>(name); }

    QTemporaryDir m_folder;
    KestrelExtensions::UserDefaults m_defaults{path("defaults.ini")};
    ImageChooserDialog m_chooser{nullptr, &m_defaults};
    QLineEdit* m_path = m_chooser.findChild<QLineEdit*>();
    QTreeView* m_view = m_chooser.findChild<QTreeView*>();
    QPushButton* m_open = m_chooser.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
};

TEST_F(ImageChooserTest, ReturnGoesToTheTypedPathAndKeepsTheDialogOpen)
{
    EXPECT_FALSE(m_open->isEnabled()); // nothing selected yet
    EXPECT_TRUE(m_view->hasFocus()) << "the keys go to the list first";
    EXPECT_EQ(m_view->header()->count() - m_view->header()->hiddenSectionCount(), 1) << "names only";
    // Relative paths start from the folder on show, so ".." is the way up.
    for (const auto& [typed, shown] :
         {std::pair{path("trip"), path("trip")}, {"..", m_folder.path()}, {"trip/", path("trip")}}) {
        typePath(typed);
        EXPECT_EQ(m_chooser.directory(), shown) << typed.toStdString();
        EXPECT_EQ(m_path->text(), shown) << "the field shows where the list is";
    }
    // A typed file is selected in its folder; a selection made before the folder is read survives it.
    QSignalSpy loaded(m_chooser.findChild<QFileSystemModel*>(), &QFileSystemModel::directoryLoaded);
    typePath(path("more/c.png"));
    EXPECT_EQ(m_chooser.selectedUrls(), selected("more/c.png"));
    EXPECT_TRUE(m_open->isEnabled());
    m_chooser.selectNames({"d.png"});
    WAIT_UNTIL(
        std::any_of(loaded.begin(), loaded.end(), [&](auto& args) { return args[0] == path("more"); }));
    EXPECT_EQ(m_chooser.selectedUrls(), selected("more/d.png"));
    typePath(path("no such folder"));
    EXPECT_TRUE(m_chooser.isVisible());
    EXPECT_EQ(m_chooser.directory(), path("more")) << "a missing path changes nothing";
}

TEST_F(ImageChooserTest, ASelectionNeverOutlivesTheFolderItWasMadeIn)
{
    // Every way of showing another folder drops the selection, and Open with it.
    const std::pair<const char*, std::function<void()>> moves[] = {
        {"path field", [&] { typePath(path("trip")); }},
        {"double-click", [&] { doubleClick("trip"); }},
        {"home", [&] { button("homeButton")->click(); }},
        {"up",
         [&] {
             m_chooser.setDirectory(path("more"));
             m_chooser.selectNames({"c.png"});
             button("upButton")->click();
         }},
    };
    for (const auto& [how, move] : moves) {
        SCOPED_TRACE(how);
        m_chooser.setDirectory(m_folder.path());
        ASSERT_TRUE(listed(2));
        m_chooser.selectNames({"more"});
        ASSERT_EQ(m_chooser.selectedUrls(), selected("more"));
        move();
        EXPECT_NE(m_chooser.directory(), std::string(how) == "up" ? path("more") : m_folder.path());
        EXPECT_TRUE(m_chooser.selectedUrls().isEmpty());
        EXPECT_FALSE(m_open->isEnabled());
    }
    // Open with nothing visible selected chooses nothing and keeps the dialog open.
    QSignalSpy chosen(&m_chooser, &ImageChooserDialog::urlsSelected);
    QMetaObject::invokeMethod(m_chooser.findChild<QDialogButtonBox*>(), "accepted");
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_TRUE(m_chooser.isVisible());
}

TEST_F(ImageChooserTest, BackUpAndHomeMoveBetweenFolders)
{
    EXPECT_FALSE(ImageChooserDialog(nullptr, &m_defaults).findChild<QToolButton*>("backButton")->isEnabled())
        << "nowhere to go back to yet";
    m_chooser.setDirectory(path("trip/Zoo"));
    const std::pair<const char*, QString> steps[] = {
        {"upButton", path("trip")},       {"homeButton", QDir::homePath()}, {"backButton", path("trip")},
        {"backButton", path("trip/Zoo")}, {"backButton", m_folder.path()},
    };
    for (const auto& [name, folder] : steps) {
        button(name)->click();
        EXPECT_EQ(m_chooser.directory(), folder) << name;
    }
    m_chooser.setDirectory(QDir::rootPath());
    EXPECT_FALSE(button("upButton")->isEnabled());
}

TEST_F(ImageChooserTest, DoubleClickEntersAFolderListedInOrderOpensAFileAndTheFolderIsRemembered)
{
    ASSERT_TRUE(listed(2));
    doubleClick("trip");
    EXPECT_EQ(m_chooser.directory(), path("trip"));
    EXPECT_TRUE(m_chooser.isVisible());
    // Folders first, then the system's one image order.
    WAIT_UNTIL(m_chooser.entryNames() ==
               QStringList({"album 3", "Zoo", "img_1.png", "IMG_2.png", "IMG_10.png"}));
    QSignalSpy chosen(&m_chooser, &ImageChooserDialog::urlsSelected);
    doubleClick("IMG_2.png");
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().value<QList<QUrl>>(), selected("trip/IMG_2.png"));
    EXPECT_FALSE(m_chooser.isVisible());
    // The next chooser starts there; Back skips removed folders. Without that folder: Pictures, or home.
    ImageChooserDialog next(nullptr, &m_defaults);
    EXPECT_EQ(next.directory(), path("trip"));
    next.setDirectory(path("more"));
    QDir(path("trip")).removeRecursively();
    next.goBack();
    EXPECT_EQ(next.directory(), path("more"));
    EXPECT_FALSE(next.findChild<QToolButton*>("backButton")->isEnabled());
    const QString pictures = QStandardPaths::standardLocations(QStandardPaths::PicturesLocation).value(0);
    EXPECT_EQ(ImageChooserDialog(nullptr, &m_defaults).directory(),
              QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
}
