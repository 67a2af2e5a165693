#include "../Images/ColorFixtures.h"
#include "../Images/ImageFixtures.h"
#include "KestrelExtensions/Coding/FileError.h"
#include "PdfInspector.h"
#include "RenderFixtures.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Rendering/ContactSheetPage.h"
#include "RuvedovUzedoz/Rendering/ProgressByDocument.h"
#include "RuvedovUzedoz/Sheet/ContactSheet.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "RuvedovUzedoz/Sheet/PDFFile.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace RuvedovUzedoz;
using ImageFixtures::JpegOptions;
using RenderFixtures::waitFor;

namespace {

std::optional<PDFInfo> generate(const ContactSheet& sheet, const PageLayout& layout)
{
    QFuture<std::optional<PDFInfo>> future = sheet.generatePDF(layout);
    waitFor(future);
    return future.result();
}

ContactSheet sheetOf(const QList<QUrl>& images)
{
    ContactSheet sheet;
    sheet.images = QSet<QUrl>(images.begin(), images.end());
    return sheet;
}

// `count` pictures named p1.jpg, p2.jpg, ...
ContactSheet numberedSheet(const ImageFixtures::Folder& folder, int count)
{
    QList<QUrl> images;
    for (int i = 1; i <= count; ++i)
        images.append(folder.jpeg(QStringLiteral("p%1.jpg").arg(i)));
    return sheetOf(images);
}

PageLayout unfiltered()
{
    PageLayout layout = RenderFixtures::layout();
    layout.enableQuartz = false;
    return layout;
}

// One picture filling the page between the margins.
PageLayout oneCell(PageLayout layout, bool label = false)
{
    layout.rows = 1;
    layout.columns = 1;
    layout.showsLabel = label;
    return layout;
}

std::vector<int> imageWidths(const PdfInspector& inspector, int page)
{
    std::vector<int> widths;
    for (const auto& image : inspector.drawing(page).images)
        widths.push_back(image.width);
    return widths;
}

void expectRect(const QRectF& actual, const QRectF& expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 0.01);
    EXPECT_NEAR(actual.y(), expected.y(), 0.01);
    EXPECT_NEAR(actual.width(), expected.width(), 0.01);
    EXPECT_NEAR(actual.height(), expected.height(), 0.01);
}

} // namespace

TEST(GeneratePDF, AnEmptySheetRendersNothing)
{
    const ContactSheet sheet;
    KestrelExtensions::LogCapture log;
    EXPECT_FALSE(generate(sheet, RenderFixtures::layout()));
    EXPECT_EQ(log.systemLines(), QStringList{QStringLiteral("No images in PDF, skipping render")});
    EXPECT_FALSE(sheet.progress->isRendering());
    EXPECT_EQ(sheet.progress->totalUnitCount(), 0);
}

TEST(GeneratePDF, LayoutsNoPageCanBeDrawnWithAreRefused)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    struct Row {
        std::function<void(PageLayout&)> change;
        const char* line;
    } rows[] = {
        {[](PageLayout& l) { l.rows = 0; }, "Grid of 0 × 2 cells"},
        {[](PageLayout& l) { l.columns = std::numeric_limits<qint64>::max(); }, "Grid of 2 × "},
        {[](PageLayout& l) { l.margin = 400; }, "Margin 400.0"},
        {[](PageLayout& l) { l.rows = l.columns = 1000; },
         "Grid of 1000 × 1000 cells does not fit on the page"},
        {[](PageLayout& l) { l.width = qQNaN(); }, "Page size "},
        {[](PageLayout& l) { l.height = -1; }, "Page size 792.0 × -1.0"},
        {[](PageLayout& l) { l.width = 1e-300; }, "Page size "},
        {[](PageLayout& l) { l.width = 2.5; }, "Page size 2.5 × 612.0"},
        {[](PageLayout& l) { l.height = 14401; }, "Page size 792.0 × 14401.0"},
        {[](PageLayout& l) { l.width = 1440000; }, "Page size 1440000.0 × 612.0"},
    };
    for (const Row& row : rows) {
        PageLayout layout = RenderFixtures::layout();
        row.change(layout);
        KestrelExtensions::LogCapture log;
        EXPECT_FALSE(generate(sheet, layout)) << row.line;
        ASSERT_EQ(log.systemLines().size(), 1);
        const QString line = log.systemLines()[0];
        EXPECT_TRUE(line.startsWith(QString::fromUtf8(row.line))) << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral(" cannot be rendered, skipping render")) ||
                    line.endsWith(QStringLiteral("no room for cells, skipping render")) ||
                    line.endsWith(QStringLiteral("does not fit on the page, skipping render")))
            << line.toStdString();
        EXPECT_FALSE(sheet.progress->isRendering());
        EXPECT_EQ(sheet.progress->totalUnitCount(), 0);
    }
    // The limits themselves are usable sizes.
    PageLayout strip = RenderFixtures::layout();
    strip.width = 14400;
    strip.height = 3;
    strip.margin = 0;
    strip.rows = strip.columns = 1;
    strip.showsLabel = false;
    const auto info = generate(sheet, strip);
    ASSERT_TRUE(info);
    EXPECT_EQ(PdfInspector(info->data).mediaBox(0), QRectF(0, 0, 14400, 3));
}

TEST(GeneratePDF, FivePicturesOnTwoByTwoMakeTwoPages)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = numberedSheet(folder, 5);
    QList<float> completed;
    QList<bool> rendering;
    QObject::connect(sheet.progress.get(), &PDFProgress::completedUnitCountChanged,
                     [&](float v) { completed << v; });
    QObject::connect(sheet.progress.get(), &PDFProgress::isRenderingChanged, [&](bool v) { rendering << v; });
    KestrelExtensions::LogCapture log;

    const auto info = generate(sheet, RenderFixtures::layout());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pageCount, 2);
    EXPECT_EQ(info->size, info->data.size());

    const QStringList lines = log.systemLines();
    EXPECT_EQ(lines.value(0), QStringLiteral("Generating PDF 792.0, 612.0"));
    EXPECT_EQ(lines.value(1), QStringLiteral("Adding page 1 to PDF"));
    EXPECT_EQ(lines.value(2), QStringLiteral("Adding page 2 to PDF"));
    EXPECT_EQ(lines.indexOf(QStringLiteral("Drawing page 0")), 3);
    EXPECT_GT(lines.indexOf(QStringLiteral("Drawing page 1")), 3);
    EXPECT_EQ(lines.filter(QStringLiteral("Drawing image (64.0, 48.0) in box (369.0, 261.0)")).size(), 5);

    const PdfInspector inspector(info->data);
    ASSERT_TRUE(inspector.isValid());
    EXPECT_TRUE(inspector.isMarked());
    ASSERT_EQ(inspector.pageCount(), 2);
    EXPECT_EQ(inspector.mediaBox(0), QRectF(18, 18, 792, 612));
    EXPECT_EQ(inspector.mediaBox(1), QRectF(18, 18, 792, 612));
    EXPECT_EQ(inspector.structTypes(0).count(QStringLiteral("Figure")), 4);
    EXPECT_EQ(inspector.structTypes(1), (QStringList{QStringLiteral("Figure"), QStringLiteral("Lbl")}));
    EXPECT_EQ(inspector.info(QStringLiteral("Creator")), QStringLiteral("Sheetwright"));

    EXPECT_EQ(rendering, (QList<bool>{true, false}));
    EXPECT_EQ(completed, (QList<float>{1, 2}));
    EXPECT_EQ(sheet.progress->totalUnitCount(), 2);
    EXPECT_EQ(ProgressByDocument::count(), 0);
}

TEST(GeneratePDF, PicturesFollowFileNameOrderAndDrawBottomRowFirst)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("IMG_2.jpg"), {30, 20}),
                                        folder.jpeg(QStringLiteral("IMG_10.jpeg"), {40, 20}),
                                        folder.jpeg(QStringLiteral("img_1.jpg"), {20, 20})});
    PageLayout row = unfiltered();
    row.rows = 1;
    row.columns = 3;
    const auto one = generate(sheet, row);
    ASSERT_TRUE(one);
    EXPECT_EQ(imageWidths(PdfInspector(one->data), 0), (std::vector<int>{20, 30, 40}));

    const auto grid = generate(sheet, unfiltered());
    ASSERT_TRUE(grid);
    const PdfInspector inspector(grid->data);
    EXPECT_EQ(imageWidths(inspector, 0), (std::vector<int>{40, 20, 30}));
    // img_1 is still in the top-left cell.
    EXPECT_LT(inspector.drawing(0).images[1].placement.x(), 100);
    EXPECT_GT(inspector.drawing(0).images[1].placement.y(), 300);
}

TEST(CellDrawing, UnfilteredJpegsAreEmbeddedAsTheyAreAndFittedIntoTheirBox)
{
    ImageFixtures::Folder folder;
    const QUrl landscape = folder.jpeg(QStringLiteral("a-landscape.jpg"), {400, 300});
    const QUrl turned = folder.jpeg(QStringLiteral("b-exif-orientation-6.jpg"), {400, 200, 3, 6});
    const QUrl progressive = folder.jpeg(QStringLiteral("c-progressive.jpg"), {120, 90, 3, 0, true});
    KestrelExtensions::LogCapture log;
    const auto info = generate(sheetOf({landscape, turned, progressive}), unfiltered());
    ASSERT_TRUE(info);
    const PdfInspector inspector(info->data);
    ASSERT_TRUE(inspector.isValid());
    const auto images = inspector.drawing(0).images;
    ASSERT_EQ(images.size(), 3u);
    // Drawing order: the bottom row (c) first, then a, b.
    const auto& first = images[1];
    EXPECT_EQ(first.filter, QStringLiteral("/DCTDecode"));
    EXPECT_EQ(ImageFixtures::scanData(first.rawBytes),
              ImageFixtures::scanData(ImageFixtures::readAll(landscape)));
    expectRect(first.placement, QRectF(28.5, 333, 348, 261));
    // Turned upright: a portrait picture, 130.5 × 261 centred in the top-right cell.
    EXPECT_EQ(ImageFixtures::scanData(images[2].rawBytes),
              ImageFixtures::scanData(ImageFixtures::readAll(turned)));
    expectRect(images[2].placement, QRectF(405 + (369 - 130.5) / 2, 333, 130.5, 261));
    EXPECT_TRUE(
        log.systemLines().contains(QStringLiteral("Drawing image (200.0, 400.0) in box (369.0, 261.0)")));
    EXPECT_EQ(ImageFixtures::scanData(images[0].rawBytes),
              ImageFixtures::scanData(ImageFixtures::readAll(progressive)));
}

// Pictures from cameras and phones: each keeps the colours its profile means, and none of their private
// data (location, thumbnails, comments, a motion photo's video) ends up in the PDF.
TEST(CellDrawing, PicturesKeepTheirColoursButNotTheirPrivateData)
{
    using namespace ImageFixtures;
    Folder folder;
    const Rgb intended = {60, 140, 90};
    const QByteArray swapped = Profiles::redGreenSwapped();
    const QByteArray adobe = Profiles::adobeRgb();
    const QByteArray plain = readAll(flatPicture(folder, QStringLiteral("plain.jpg"), intended, {}));
    const ContactSheet sheet = sheetOf({
        flatPicture(folder, QStringLiteral("a-swapped.jpg"), fromSrgb(swapped, intended), swapped),
        flatPicture(folder, QStringLiteral("b-swapped.png"), fromSrgb(swapped, intended), swapped),
        flatPicture(folder, QStringLiteral("c-adobe-rgb.jpg"), fromSrgb(adobe, intended), adobe),
        cmykPicture(folder, QStringLiteral("d-cmyk.jpg"), intended),
        flatPicture(folder, QStringLiteral("e-swapped-again.jpg"), fromSrgb(swapped, intended), swapped),
        folder.bytes(QStringLiteral("f-camera.jpg"), withPrivateData(plain)),
    });
    // The middle of each cell's picture on a 72 dpi raster of the default 2 × 2 page.
    const QPoint middles[] = {{202, 148}, {589, 148}, {202, 445}, {589, 445}};
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressing" : "passing through");
        PageLayout layout = RenderFixtures::layout();
        layout.enableQuartz = compress;
        const auto info = generate(sheet, layout);
        ASSERT_TRUE(info);
        ASSERT_TRUE(PdfInspector(info->data).isValid());
        for (int page = 1; page <= 2; ++page) {
            const auto raster = RenderFixtures::rasterize(info->data, page);
            ASSERT_TRUE(raster);
            for (int cell = 0; cell < (page == 1 ? 4 : 2); ++cell) {
                const auto pixel = raster->pixel(middles[cell].x(), middles[cell].y());
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(pixel[c], intended[c], 6)
                        << "page " << page << " cell " << cell << " channel " << c;
            }
        }
        for (const char* text : privateTexts)
            EXPECT_FALSE(info->data.contains(text)) << text;
        EXPECT_FALSE(info->data.contains(QByteArray("Exif\0\0", 6)));
        const auto camera = PdfInspector(info->data).drawing(1).images;
        ASSERT_EQ(camera.size(), 2u);
        EXPECT_EQ(camera[1].colorSpace, QStringLiteral("/DeviceRGB"));
        if (!compress) {
            EXPECT_EQ(scanData(camera[1].rawBytes), scanData(plain));
        }
    }
}

TEST(CellDrawing, PassedThroughJpegsAreTurnedUprightOnThePage)
{
    // The fixture darkens from right to left as stored; orientation 6 puts the stored left edge on top,
    // orientation 8 at the bottom.
    ImageFixtures::Folder folder;
    const PageLayout layout = oneCell(unfiltered());
    for (const int orientation : {6, 8}) {
        SCOPED_TRACE(orientation);
        const QUrl url = folder.jpeg(QStringLiteral("o%1.jpg").arg(orientation), {400, 200, 3, orientation});
        const auto info = generate(sheetOf({url}), layout);
        ASSERT_TRUE(info);
        const auto raster = RenderFixtures::rasterize(info->data, 1, 72);
        ASSERT_TRUE(raster);
        // Upright 200 × 400 fitted into 756 × 576: 288 × 576 from page x 252, rows 18...594 of the raster.
        const int top = raster->pixel(396, 40)[0];
        const int bottom = raster->pixel(396, 572)[0];
        if (orientation == 6)
            EXPECT_LT(top + 100, bottom);
        else
            EXPECT_GT(top, bottom + 100);
    }
}

TEST(CellDrawing, OtherPicturesAreDecodedLosslessly)
{
    ImageFixtures::Folder folder;
    JpegOptions cmyk;
    cmyk.cmyk = true;
    const auto info = generate(sheetOf({folder.pngWithAlpha(QStringLiteral("a-alpha.png")),
                                        folder.jpeg(QStringLiteral("b-cmyk.jpg"), cmyk)}),
                               unfiltered());
    ASSERT_TRUE(info);
    const PdfInspector inspector(info->data);
    ASSERT_TRUE(inspector.isValid());
    const auto images = inspector.drawing(0).images;
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].filter, QStringLiteral("/FlateDecode"));
    EXPECT_TRUE(images[0].hasSMask);
    EXPECT_EQ(images[1].filter, QStringLiteral("/FlateDecode"));
    EXPECT_EQ(images[1].colorSpace, QStringLiteral("/DeviceRGB"));
}

TEST(CellDrawing, OpaqueLosslessPicturesCompressedAheadLookTheSameInMemoryAndOnDisk)
{
    ImageFixtures::Folder folder;
    const PageLayout layout = oneCell(unfiltered());
    const ContactSheet sheet = sheetOf({folder.twoToneGreyPng(QStringLiteral("grey.png"))});
    auto onDisk = sheet.generatePDF(layout, folder.path(QStringLiteral("renders")));
    waitFor(onDisk);
    ASSERT_TRUE(onDisk.result());
    const std::optional<PDFInfo> inMemory = generate(sheet, layout);
    ASSERT_TRUE(inMemory);
    for (const QByteArray& pdf : {inMemory->data, onDisk.result()->bytes()}) {
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        const auto images = inspector.drawing(0).images;
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].filter, QStringLiteral("/FlateDecode"));
        EXPECT_EQ(images[0].colorSpace, QStringLiteral("/DeviceGray"));
        EXPECT_EQ(images[0].width, 40);
        // 40 × 30 fitted into 756 × 576: 756 × 567 from page row 22.5; light above, dark below.
        const auto raster = RenderFixtures::rasterize(pdf, 1, 72);
        ASSERT_TRUE(raster);
        EXPECT_NEAR(raster->pixel(396, 100)[0], 200, 3);
        EXPECT_NEAR(raster->pixel(396, 500)[0], 50, 3);
        EXPECT_NEAR(raster->pixel(396, 10)[0], 255, 3) << "the margin stays white";
    }
    // The pictures kept aside for the render are gone with it.
    EXPECT_EQ(QDir(folder.path(QStringLiteral("renders")))
                  .entryList(QDir::Hidden | QDir::Files)
                  .filter(QStringLiteral("streams")),
              QStringList());
}

// Re-encoded within the size limit, in the place the original would take, logged at the file's own size:
// a 1000 × 333 strip stored 10 × 3 must not move on the page for its rounded proportions.
TEST(CellDrawing, TheFilterReencodesPicturesWithinItsLimitsWhereTheOriginalWouldBe)
{
    ImageFixtures::Folder folder;
    const struct {
        QSize source;
        double sizeMax;
        QSize stored;
        const char* line;
    } rows[] = {{{1600, 1200}, 512, {512, 384}, "Drawing image (1600.0, 1200.0) in box (756.0, 558.0)"},
                {{1000, 333}, 10, {10, 3}, "Drawing image (1000.0, 333.0) in box (756.0, 558.0)"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const QUrl photo = folder.jpeg(QStringLiteral("photo-%1.jpg").arg(row.source.width()),
                                       {row.source.width(), row.source.height()});
        PageLayout layout = oneCell(RenderFixtures::layout(), true);
        layout.imageSizeMax = row.sizeMax;
        KestrelExtensions::LogCapture log;
        const auto info = generate(sheetOf({photo}), layout);
        ASSERT_TRUE(info);
        const auto images = PdfInspector(info->data).drawing(0).images;
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].filter, QStringLiteral("/DCTDecode"));
        EXPECT_EQ(images[0].width, row.stored.width());
        EXPECT_NEAR(images[0].height, row.stored.height(), 1);
        const double scale = std::min(756.0 / row.source.width(), 558.0 / row.source.height());
        const QSizeF size = QSizeF(row.source) * scale;
        expectRect(images[0].placement, QRectF(18 + (756 - size.width()) / 2, 36 + (558 - size.height()) / 2,
                                               size.width(), size.height()));
        EXPECT_TRUE(log.systemLines().contains(QString::fromUtf8(row.line)));
    }
}

TEST(CellDrawing, UnreadableFilesLeaveTheImageBoxEmptyButKeepLabelAndBox)
{
    ImageFixtures::Folder folder;
    PageLayout layout = RenderFixtures::layout();
    layout.drawsBoundingBox = true;
    KestrelExtensions::LogCapture log;
    const auto info = generate(sheetOf({folder.jpeg(QStringLiteral("a.jpg")),
                                        folder.bytes(QStringLiteral("b-garbage.jpg"), "not a picture"),
                                        folder.jpeg(QStringLiteral("c.jpg"))}),
                               layout);
    ASSERT_TRUE(info);
    const PdfInspector inspector(info->data);
    ASSERT_TRUE(inspector.isValid());
    EXPECT_EQ(inspector.structTypes(0),
              (QStringList{QStringLiteral("Figure"), QStringLiteral("Lbl"), QStringLiteral("Figure"),
                           QStringLiteral("Lbl"), QStringLiteral("Lbl")}));
    EXPECT_EQ(log.systemLines().filter(QStringLiteral("Drawing image")).size(), 2);
    EXPECT_FALSE(log.systemLines().filter(QStringLiteral("b-garbage.jpg")).isEmpty());

    const auto strokes = inspector.drawing(0).strokes;
    ASSERT_EQ(strokes.size(), 3u); // the empty fourth cell has no box
    for (const auto& stroke : strokes) {
        EXPECT_NEAR(stroke.rect.width(), 369, 1.01);
        EXPECT_NEAR(stroke.rect.height(), 279, 1.01);
        EXPECT_NEAR(stroke.lineWidth, 1, 1e-6);
        EXPECT_NEAR(stroke.color[0], 0.5, 1e-3);
    }
}

TEST(CellDrawing, PicturesAndLabelsCanEachBeLeftOut)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet =
        sheetOf({folder.jpeg(QStringLiteral("a.jpg")), folder.jpeg(QStringLiteral("b.jpg"))});
    PageLayout noImages = RenderFixtures::layout();
    noImages.drawsImages = false;
    const auto labels = generate(sheet, noImages);
    ASSERT_TRUE(labels);
    EXPECT_EQ(PdfInspector(labels->data).structTypes(),
              (QStringList{QStringLiteral("Lbl"), QStringLiteral("Lbl")}));
    EXPECT_EQ(RenderFixtures::extractText(labels->data).simplified(), QStringLiteral("a.jpg b.jpg"));

    PageLayout noLabels = RenderFixtures::layout();
    noLabels.showsLabel = false;
    const auto figures = generate(sheet, noLabels);
    ASSERT_TRUE(figures);
    EXPECT_EQ(PdfInspector(figures->data).structTypes(),
              (QStringList{QStringLiteral("Figure"), QStringLiteral("Figure")}));
}

TEST(PageDrawing, BackgroundIsPaintedUnlessWhiteOrTransparent)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    struct Row {
        const char* name;
        Color color;
        bool painted;
        bool drawsBackground = true;
    };
    for (const Row& row : {Row{"grey", Color::gray(0.18), true}, Row{"white", Color::white(), false},
                           Row{"white as RGB", Color::rgb(1, 1, 1, 1), true},
                           Row{"transparent", Color::rgb(0, 0, 0, 0), false},
                           Row{"grey but switched off", Color::gray(0.18), false, false}}) {
        SCOPED_TRACE(row.name);
        PageLayout layout = RenderFixtures::layout();
        layout.backgroundColor = row.color;
        layout.drawsBackground = row.drawsBackground;
        KestrelExtensions::LogCapture log;
        const auto info = generate(sheet, layout);
        ASSERT_TRUE(info);
        const PdfInspector inspector(info->data);
        ASSERT_TRUE(inspector.isValid());
        EXPECT_TRUE(inspector.isMarked());
        EXPECT_EQ(log.systemLines().contains(QStringLiteral("Adding background to page 0")), row.painted);
        const auto fills = inspector.drawing(0).fills;
        const bool pageFilled = !fills.empty() && fills[0].rect == QRectF(0, 0, 792, 612);
        EXPECT_EQ(pageFilled, row.painted);
        if (QByteArrayLiteral("grey") == row.name) {
            const auto raster = RenderFixtures::rasterize(info->data, 1, 36);
            ASSERT_TRUE(raster);
            EXPECT_NEAR(raster->pixel(2, 2)[0], 46, 1);
        }
    }
}

TEST(Render, OverlappingRendersOfOneSheetBothFinishAndLeaveNoEntry)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = numberedSheet(folder, 6);
    PageLayout small = RenderFixtures::layout();
    small.rows = 1;
    small.columns = 1;
    auto first = sheet.generatePDF(small);
    auto second = sheet.generatePDF(RenderFixtures::layout());
    waitFor(first);
    waitFor(second);
    ASSERT_TRUE(first.result());
    ASSERT_TRUE(second.result());
    EXPECT_EQ(first.result()->pageCount, 6);
    EXPECT_EQ(second.result()->pageCount, 2);
    EXPECT_TRUE(PdfInspector(first.result()->data).isValid());
    EXPECT_TRUE(PdfInspector(second.result()->data).isValid());
    EXPECT_FALSE(sheet.progress->isRendering());
    EXPECT_EQ(ProgressByDocument::count(), 0);
}

TEST(Render, ADocumentThatYieldsNoDataStillClosesItsProgress)
{
    auto document = std::make_shared<PdfDocument>();
    PageLayout broken = RenderFixtures::layout();
    broken.width = 0; // a page no PDF can hold
    document->insertPage(std::make_shared<ContactSheetPage>(broken, QList<QUrl>{}), 0);
    const auto progress = PDFProgress::create();
    KestrelExtensions::LogCapture log;
    auto future = ContactSheet::render(document, progress);
    waitFor(future);
    EXPECT_FALSE(future.result());
    EXPECT_FALSE(progress->isRendering());
    EXPECT_EQ(progress->completedUnitCount(), progress->totalUnitCount());
    EXPECT_EQ(progress->totalUnitCount(), 1);
    EXPECT_EQ(ProgressByDocument::count(), 0);
}

TEST(Render, APageDrawnOutsideADocumentSaysSo)
{
    ImageFixtures::Folder folder;
    ContactSheetPage page(RenderFixtures::layout(), {folder.jpeg(QStringLiteral("a.jpg"))});
    KestrelExtensions::LogCapture log;
    EXPECT_EQ(page.pageLabel(), QStringLiteral("unknown page"));
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr), &cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo(cairo_create(surface.get()), &cairo_destroy);
    {
        GraphicsContext context(cairo.get(), QSizeF(792, 612));
        page.draw(PdfDisplayBox::MediaBox, context);
    }
    EXPECT_EQ(log.systemLines().value(0), QStringLiteral("Drawing unknown page"));
    EXPECT_EQ(log.systemLines().filter(QStringLiteral("Drawing image")).size(), 1);
    RenderFixtures::spinUntil(
        [&] { return log.systemLines().filter(QStringLiteral("no associated document")).size() == 1; });
    EXPECT_EQ(log.systemLines().filter(QStringLiteral("no associated document")).size(), 1);
}

TEST(WritePDF, CreatesMissingFoldersAndWritesTheRenderWithItsMetadata)
{
    ImageFixtures::Folder folder;
    ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    sheet.metadata = {.title = QStringLiteral("Trip"),
                      .author = QStringLiteral("Ann Author"),
                      .subject = QStringLiteral("Sea Subject"),
                      .keywords = {QStringLiteral("sea"), QStringLiteral("sand")},
                      .header = QStringLiteral("not drawn")};
    const QString target = folder.path(QStringLiteral("x/y/out.pdf"));
    KestrelExtensions::LogCapture log;
    auto future = sheet.writePDF(target, RenderFixtures::layout());
    waitFor(future);
    EXPECT_NO_THROW(future.waitForFinished());
    EXPECT_EQ(log.systemLines().value(0), QStringLiteral("Writing the PDF to ") + target);
    const QByteArray written = ImageFixtures::readAll(QUrl::fromLocalFile(target));
    const PdfInspector inspector(written);
    EXPECT_TRUE(inspector.isValid());
    EXPECT_EQ(inspector.pageCount(), 1);
    EXPECT_EQ(inspector.info(QStringLiteral("Title")), QStringLiteral("Trip"));
    EXPECT_EQ(inspector.info(QStringLiteral("Author")), QStringLiteral("Ann Author"));
    EXPECT_EQ(inspector.info(QStringLiteral("Subject")), QStringLiteral("Sea Subject"));
    EXPECT_EQ(inspector.info(QStringLiteral("Keywords")), QStringLiteral("sea, sand"));
    EXPECT_FALSE(RenderFixtures::extractText(written).contains(QStringLiteral("not drawn")));
}

TEST(WritePDF, AnEmptySheetWritesNoFileAndAFolderInTheWayFails)
{
    ImageFixtures::Folder folder;
    const QString target = folder.path(QStringLiteral("empty/out.pdf"));
    auto empty = ContactSheet().writePDF(target, RenderFixtures::layout());
    waitFor(empty);
    EXPECT_NO_THROW(empty.waitForFinished());
    EXPECT_TRUE(QDir(folder.path(QStringLiteral("empty"))).exists());
    EXPECT_FALSE(QFile::exists(target));

    const QUrl file = folder.bytes(QStringLiteral("plain"), "x");
    auto blocked = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))})
                       .writePDF(file.toLocalFile() + QStringLiteral("/out.pdf"), RenderFixtures::layout());
    waitFor(blocked);
    EXPECT_THROW(blocked.waitForFinished(), KestrelExtensions::FileError);
}

TEST(WritePDF, ARenderThatFailsKeepsTheEarlierFileAndClosesItsProgress)
{
    ImageFixtures::Folder folder;
    const QUrl earlier = folder.bytes(QStringLiteral("out.pdf"), "earlier");
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    PageLayout layout = RenderFixtures::layout();
    layout.width = 3e6; // too large for a PDF page
    KestrelExtensions::LogCapture log;
    auto future = sheet.writePDF(earlier.toLocalFile(), layout);
    waitFor(future);
    EXPECT_NO_THROW(future.waitForFinished());
    EXPECT_EQ(ImageFixtures::readAll(earlier), QByteArray("earlier"));
    EXPECT_EQ(log.systemLines().filter(QStringLiteral("cannot be rendered")).size(), 1);
    EXPECT_FALSE(sheet.progress->isRendering());
    // and no half-written file beside it
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files),
              (QStringList{QStringLiteral("a.jpg"), QStringLiteral("out.pdf")}));
}

// A name written in Latin-1 (an old camera card, an archive) is not UTF-8: the file is still found in
// its folder and on its own, read by its own bytes, and labelled with its name as well as it decodes.
TEST(GeneratePDF, FilesWhoseNamesAreNotUtf8AreAddedReadAndLabelled)
{
    ImageFixtures::Folder folder;
    const QByteArray directory = QFile::encodeName(folder.path(QStringLiteral("card")));
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(directory)));
    const QByteArray latin1 = directory + "/caf\xE9.jpg";
    ASSERT_EQ(::rename(QFile::encodeName(folder.jpeg(QStringLiteral("source.jpg")).toLocalFile()).constData(),
                       latin1.constData()),
              0);

    KestrelExtensions::LogCapture log;
    ContactSheet fromFolder;
    fromFolder.add({LocalPath::url(directory)});
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding 1 images from directory card")));
    ContactSheet single;
    single.add({LocalPath::url(latin1)});
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding URL caf\u00e9.jpg")));
    ASSERT_EQ(fromFolder.images, single.images);
    EXPECT_EQ(LocalPath::bytes(*single.images.begin()), latin1);

    PageLayout layout = unfiltered();
    auto info = generate(single, layout);
    ASSERT_TRUE(info);
    EXPECT_TRUE(log.systemLines().filter(QStringLiteral("Cannot read image")).isEmpty());
    const PdfInspector inspector(info->data);
    EXPECT_EQ(inspector.drawing(0).images.size(), 1u);
    EXPECT_TRUE(RenderFixtures::extractText(info->data).contains(QStringLiteral("caf\u00e9.jpg")));
    ::unlink(latin1.constData()); // which the temporary folder could not name to remove it
}

// Under a file-size limit (ulimit -f) with its signal ignored, as the application does, the write
// comes up short and is reported; the earlier file stays whole.
TEST(WritePDF, AFileSizeLimitIsAWriteFailure)
{
    ImageFixtures::Folder folder;
    const QUrl earlier = folder.bytes(QStringLiteral("out.pdf"), "earlier");
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"), {.width = 600, .height = 400})});
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4000, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto future = sheet.writePDF(earlier.toLocalFile(), unfiltered());
    waitFor(future);
    EXPECT_THROW(future.waitForFinished(), KestrelExtensions::FileError);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(ImageFixtures::readAll(earlier), QByteArray("earlier"));
}

TEST(GeneratePDFFile, TheRenderKeptOnDiskIsTheSamePDFAndGoesWithItsLastHolder)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = numberedSheet(folder, 5);
    const QString renders = folder.path(QStringLiteral("cache/renders"));
    auto future = sheet.generatePDF(RenderFixtures::layout(), renders);
    waitFor(future);
    std::optional<PDFInfo> info = future.result();
    future = {}; // which holds a copy of the result too
    ASSERT_TRUE(info && info->file);
    EXPECT_TRUE(info->data.isEmpty());
    EXPECT_EQ(info->pageCount, 2);
    const QByteArray bytes = info->bytes();
    EXPECT_EQ(info->size, bytes.size());
    const PdfInspector inspector(bytes);
    ASSERT_TRUE(inspector.isValid());
    ASSERT_EQ(inspector.pageCount(), 2);
    EXPECT_EQ(inspector.mediaBox(1), QRectF(18, 18, 792, 612));
    EXPECT_EQ(imageWidths(inspector, 0),
              imageWidths(PdfInspector(generate(sheet, RenderFixtures::layout())->data), 0));
    EXPECT_FALSE(sheet.progress->isRendering());

    // Copies share the file; it goes when the last of them does.
    const QString path = info->file->path();
    EXPECT_TRUE(path.startsWith(renders + QLatin1Char('/')));
    std::optional<PDFInfo> copy = info;
    info.reset();
    EXPECT_TRUE(QFile::exists(path));
    copy.reset();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(renders).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A folder that cannot be made gives no PDF, and says why.
    const QUrl plain = folder.bytes(QStringLiteral("plain"), "x");
    KestrelExtensions::LogCapture log;
    auto blocked =
        sheet.generatePDF(RenderFixtures::layout(), plain.toLocalFile() + QStringLiteral("/renders"));
    waitFor(blocked);
    EXPECT_FALSE(blocked.result());
    EXPECT_EQ(log.systemLines().filter(QStringLiteral("PDF rendering failed")).size(), 1);
    EXPECT_FALSE(sheet.progress->isRendering());
}

TEST(GeneratePDFFile, OnlyLeftoversOfProcessesThatAreGoneAreRemoved)
{
    ImageFixtures::Folder folder;
    const QString own = QStringLiteral("sheet-%1-abc123.pdf").arg(QCoreApplication::applicationPid());
    // Process ids never reach a billion, so this one cannot be running.
    const QStringList names{own, QStringLiteral("sheet-999999999-abc123.pdf"), QStringLiteral("notes.pdf")};
    for (const QString& name : names)
        folder.bytes(name, "%PDF");
    PDFFile::removeLeftovers(folder.path(QString()));
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files),
              (QStringList{QStringLiteral("notes.pdf"), own}));
}

TEST(CellDrawing, BadFilesNeverStopTheRender)
{
    ImageFixtures::Folder folder;
    const QUrl vanished = folder.jpeg(QStringLiteral("f-vanished.jpg"));
    const QList<QUrl> images = {folder.jpeg(QStringLiteral("a-good.jpg")),
                                folder.bytes(QStringLiteral("b-empty.jpg"), QByteArray()),
                                folder.truncatedJpeg(QStringLiteral("c-truncated.jpg")),
                                folder.jpegClaimingSize(QStringLiteral("d-bomb.jpg"), 30000, 30000),
                                folder.truncatedPng(QStringLiteral("e-truncated.png")),
                                vanished};
    const ContactSheet sheet = sheetOf(images);
    QFile::remove(vanished.toLocalFile());
    for (const bool filter : {true, false}) {
        SCOPED_TRACE(filter ? "filter on" : "filter off");
        PageLayout layout = RenderFixtures::layout();
        layout.enableQuartz = filter;
        layout.rows = 2;
        layout.columns = 3;
        KestrelExtensions::LogCapture log;
        const auto info = generate(sheet, layout);
        ASSERT_TRUE(info);
        const PdfInspector inspector(info->data);
        EXPECT_TRUE(inspector.isValid());
        const QStringList types = inspector.structTypes();
        EXPECT_EQ(types.count(QStringLiteral("Lbl")), 6);
        EXPECT_GE(types.count(QStringLiteral("Figure")), 1);
        // Each picture that could not be drawn is named in the log.
        for (const QString& name : {QStringLiteral("b-empty.jpg"), QStringLiteral("f-vanished.jpg")})
            EXPECT_FALSE(log.systemLines().filter(name).isEmpty()) << name.toStdString();
    }
}

TEST(CellDrawing, LabelsAreSetInTheLayoutsFontSizeAndColour)
{
    ImageFixtures::Folder folder;
    const ContactSheet sheet = sheetOf({folder.bytes(QStringLiteral("HHHH.jpg"), "x")});
    // The ink height of the label in the top-left cell's band, and the PDF's text colours and fonts.
    struct Drawn {
        int inkHeight = 0;
        std::vector<std::array<double, 3>> colours;
        QByteArray pdf;
    };
    const auto draw = [&](double size, Color colour, const QString& font) {
        PageLayout layout = RenderFixtures::layout();
        layout.drawsImages = false;
        layout.fontSize = size;
        layout.fontColor = colour;
        layout.fontName = font;
        const auto info = generate(sheet, layout);
        Drawn drawn;
        if (!info)
            return drawn;
        drawn.pdf = info->data;
        drawn.colours = PdfInspector(info->data).drawing(0).textColors;
        const auto raster = RenderFixtures::rasterize(info->data, 1, 72);
        if (!raster)
            return drawn;
        int top = INT_MAX, bottom = INT_MIN;
        for (int y = 612 - 18 - 279 - 18 - 279; y < 612 - 18; ++y)
            for (int x = 18; x < 18 + 369; ++x)
                if (raster->pixel(x, y)[1] < 160) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        drawn.inkHeight = bottom >= top ? bottom - top + 1 : 0;
        return drawn;
    };
    const Drawn small = draw(10, Color::black(), QStringLiteral("DejaVu Sans"));
    const Drawn large = draw(30, Color::rgb(1, 0, 0, 1), QStringLiteral("DejaVu Serif"));
    EXPECT_GT(small.inkHeight, 4);
    EXPECT_NEAR(double(large.inkHeight) / small.inkHeight, 3.0, 0.5);
    ASSERT_FALSE(small.colours.empty());
    ASSERT_FALSE(large.colours.empty());
    EXPECT_EQ(small.colours[0], (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(large.colours[0], (std::array<double, 3>{1, 0, 0}));
    EXPECT_TRUE(small.pdf.contains("DejaVuSans"));
    EXPECT_FALSE(small.pdf.contains("DejaVuSerif"));
    EXPECT_TRUE(large.pdf.contains("DejaVuSerif"));
}

TEST(CellDrawing, LabelsAreCentredInTheirBandAndShortenedToTheCell)
{
    ImageFixtures::Folder folder;
    const QString longName = QStringLiteral("a-") + QString(120, QLatin1Char('w')) + QStringLiteral(".jpg");
    PageLayout layout = RenderFixtures::layout();
    layout.drawsImages = false;
    const auto info =
        generate(sheetOf({folder.bytes(longName, "x"), folder.bytes(QStringLiteral("b.jpg"), "x")}), layout);
    ASSERT_TRUE(info);
    const auto raster = RenderFixtures::rasterize(info->data, 1, 72);
    ASSERT_TRUE(raster);
    // Ink of the label band (page y 315...333) of each top cell, as columns of the raster.
    const auto inkColumns = [&](int left, int right) {
        std::pair<int, int> extent{INT_MAX, INT_MIN};
        for (int y = 612 - 333; y < 612 - 315; ++y)
            for (int x = left; x < right; ++x)
                if (raster->pixel(x, y)[0] < 128) {
                    extent.first = std::min(extent.first, x);
                    extent.second = std::max(extent.second, x);
                }
        return extent;
    };
    const auto longInk = inkColumns(0, 400);
    EXPECT_GE(longInk.first, 18);
    EXPECT_LE(longInk.second, 18 + 369);
    EXPECT_GT(longInk.second - longInk.first, 300); // shortened, not dropped
    const auto shortInk = inkColumns(400, 792);
    EXPECT_NEAR((shortInk.first + shortInk.second) / 2.0, 405 + 369 / 2.0, 2);
}
