#include "../Images/ColorFixtures.h"
#include "../Images/ImageFixtures.h"
#include "../Images/PngFixtures.h"
#include "KestrelExtensions/Coding/FileError.h"
#include "PdfInspector.h"
#include "RenderFixtures.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Rendering/ContactSheetPage.h"
#include "RuvedovUzedoz/Rendering/ImageSupply.h"
#include "RuvedovUzedoz/Rendering/ProgressByDocument.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "RuvedovUzedoz/Sheet/PDFFile.h"
#include "RuvedovUzedoz/Sheet/RenderFailure.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace RuvedovUzedoz;
using namespace RenderFixtures;
using ImageFixtures::Folder;
using ImageFixtures::readAll;
using KestrelExtensions::LogCapture;

namespace {

std::optional<PDFInfo> generate(const ContactSheet& sheet, const PageLayout& layout,
                                const QString& folder = {})
{
    QFuture<std::optional<PDFInfo>> future =
        folder.isEmpty() ? sheet.generatePDF(layout) : sheet.generatePDF(layout, folder);
    waitFor(future);
    return future.result();
}

// The PDF of a render that must succeed, parsed once to see that it is sound.
QByteArray pdfOf(const ContactSheet& sheet, const PageLayout& layout)
{
    const auto info = generate(sheet, layout);
    EXPECT_TRUE(info && PdfInspector(info->data).isValid());
    return info ? info->data : QByteArray();
}

const SavedPageLayout unfiltered{.enableQuartz = false};
// One picture filling the page between the margins.
const SavedPageLayout oneCell{.enableQuartz = false, .showsLabel = false, .rows = 1, .columns = 1};

// The pictures on the first page of a render that must succeed.
std::vector<PdfInspector::Image> imagesOf(const ContactSheet& sheet, const PageLayout& layout)
{
    return PdfInspector(pdfOf(sheet, layout)).drawing(0).images;
}

std::vector<int> widths(const std::vector<PdfInspector::Image>& images)
{
    std::vector<int> widths;
    for (const auto& image : images)
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

TEST(GeneratePDF, EmptySheetsAndLayoutsNoPageCanBeDrawnWithAreRefused)
{
    Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    const struct {
        std::function<void(PageLayout&)> change;
        const char* line;
    } rows[] = {
        {{}, "No images in PDF, skipping render"},
        {[](PageLayout& l) { l.rows = 0; }, "Grid of 0 × 2 cells"},
        {[](PageLayout& l) { l.columns = std::numeric_limits<qint64>::max(); }, "Grid of 2 × "},
        {[](PageLayout& l) { l.margin = 400; }, "Margin 400.0"},
        {[](PageLayout& l) { l.margin = 306; }, "Margin 306.0 leaves no room for cells"},
        {[](PageLayout& l) { l.margin = 305.75; }, "Grid of 2 × 2 cells does not fit on the page"},
        {[](PageLayout& l) { l.width = 600, l.margin = 300; }, "Margin 300.0"},
        {[](PageLayout& l) { l.width = 600, l.margin = 299.75; }, "Grid of 2 × 2 cells does not fit"},
        {[](PageLayout& l) { l.margin = -qInf(); }, "Margin -inf"},
        {[](PageLayout& l) { l.rows = l.columns = 1000; },
         "Grid of 1000 × 1000 cells does not fit on the page"},
        {[](PageLayout& l) { l.width = qQNaN(); }, "Page size "},
        {[](PageLayout& l) { l.height = -1; }, "Page size 792.0 × -1.0"},
        {[](PageLayout& l) { l.width = 1e-300; }, "Page size "},
        {[](PageLayout& l) { l.width = 2.5; }, "Page size 2.5 × 612.0"},
        {[](PageLayout& l) { l.height = 14401; }, "Page size 792.0 × 14401.0"},
        {[](PageLayout& l) { l.width = 1440000; }, "Page size 1440000.0 × 612.0"},
        // Labels so large that the pictures, fitted above them, would be too small to be seen or none.
        {[](PageLayout& l) { l.fontSize = 174; }, "Font size 174.0 leaves no room for pictures"},
        {[](PageLayout& l) { l.fontSize = 186; }, "Font size 186.0 leaves no room for pictures"},
        {[](PageLayout& l) { l.fontSize = 1.5e6; }, "Font size 1500000.0 leaves no room for pictures"},
        {[](PageLayout& l) { l.fontSize = qQNaN(); }, "Font size "},
        {[](PageLayout& l) { l.rows = l.columns = 10, l.fontSize = 25; }, "Font size 25.0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const ContactSheet& used = row.change ? sheet : ContactSheet();
        LogCapture log;
        PageLayout changed = layout();
        if (row.change)
            row.change(changed);
        EXPECT_FALSE(generate(used, changed));
        ASSERT_EQ(log.systemLines().size(), 1);
        const QString line = log.systemLines()[0];
        EXPECT_TRUE(line.startsWith(QString::fromUtf8(row.line)) && line.endsWith(", skipping render"))
            << line.toStdString();
        EXPECT_FALSE(used.progress->isRendering());
        EXPECT_EQ(used.progress->totalUnitCount(), 0);
    }
    // The limits themselves are usable sizes.
    const auto info = generate(
        sheet,
        layout({.width = 14400, .height = 3, .margin = 0, .showsLabel = false, .rows = 1, .columns = 1}));
    ASSERT_TRUE(info);
    EXPECT_EQ(PdfInspector(info->data).mediaBox(0), QRectF(0, 0, 14400, 3));
    // Large labels are drawn when the pictures keep a tenth of the cell, or when no picture is drawn.
    for (const SavedPageLayout& large :
         {SavedPageLayout{.fontSize = 167}, SavedPageLayout{.drawsImages = false, .fontSize = 186},
          SavedPageLayout{.showsLabel = false, .fontSize = 1.5e6}}) {
        const auto drawn = generate(sheet, layout(large));
        ASSERT_TRUE(drawn);
        EXPECT_EQ(PdfInspector(drawn->data).drawing(0).images.size(),
                  large.drawsImages.value_or(true) ? 1u : 0u);
    }
}

TEST(GeneratePDF, FivePicturesOnTwoByTwoMakeTwoPagesInMemoryOrOnDisk)
{
    Folder folder;
    QList<QUrl> images;
    for (int i = 1; i <= 5; ++i)
        images.append(folder.jpeg(QStringLiteral("p%1.jpg").arg(i)));
    const ContactSheet sheet = sheetOf(images);
    QList<float> completed;
    QList<bool> rendering;
    QObject::connect(sheet.progress.get(), &PDFProgress::completedUnitCountChanged,
                     [&](float v) { completed << v; });
    QObject::connect(sheet.progress.get(), &PDFProgress::isRenderingChanged, [&](bool v) { rendering << v; });
    LogCapture log;
    const auto inMemory = generate(sheet, layout());
    ASSERT_TRUE(inMemory);
    const QStringList lines = log.systemLines();
    EXPECT_EQ(lines.mid(0, 3),
              (QStringList{"Generating PDF 792.0, 612.0", "Adding page 1 to PDF", "Adding page 2 to PDF"}));
    EXPECT_EQ(lines.indexOf(QStringLiteral("Drawing page 0")), 3);
    EXPECT_GT(lines.indexOf(QStringLiteral("Drawing page 1")), 3);
    EXPECT_EQ(lines.filter(QStringLiteral("Drawing image (64.0, 48.0) in box (369.0, 261.0)")).size(), 5);
    EXPECT_EQ(rendering, (QList<bool>{true, false}));
    EXPECT_EQ(completed, (QList<float>{1, 2}));
    EXPECT_EQ(sheet.progress->totalUnitCount(), 2);

    const QString renders = folder.path(QStringLiteral("cache/renders"));
    std::optional<PDFInfo> onDisk = generate(sheet, layout(), renders);
    ASSERT_TRUE(onDisk && onDisk->file);
    EXPECT_EQ(rendering, (QList<bool>{true, false, true, false}));
    EXPECT_EQ(completed, (QList<float>{1, 2, 0, 1, 2}));
    EXPECT_TRUE(onDisk->data.isEmpty());
    for (const PDFInfo& info : {*inMemory, *onDisk}) {
        const QByteArray pdf = info.bytes();
        EXPECT_EQ(info.pageCount, 2);
        EXPECT_EQ(info.size, pdf.size());
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        EXPECT_TRUE(inspector.isMarked());
        ASSERT_EQ(inspector.pageCount(), 2);
        EXPECT_EQ(inspector.mediaBox(0), QRectF(18, 18, 792, 612));
        EXPECT_EQ(inspector.mediaBox(1), QRectF(18, 18, 792, 612));
        EXPECT_EQ(inspector.structTypes(0).count(QStringLiteral("Figure")), 4);
        EXPECT_EQ(inspector.structTypes(1), (QStringList{QStringLiteral("Figure"), QStringLiteral("Lbl")}));
        EXPECT_EQ(inspector.info(QStringLiteral("Creator")), QStringLiteral("Sheetwright"));
        EXPECT_EQ(widths(inspector.drawing(0).images), (std::vector<int>{64, 64, 64, 64}));
    }
    EXPECT_FALSE(sheet.progress->isRendering());
    EXPECT_EQ(ProgressByDocument::count(), 0);

    // Copies share the file; it goes when the last of them does.
    const QString path = onDisk->file->path();
    EXPECT_TRUE(path.startsWith(renders + QLatin1Char('/')));
    std::optional<PDFInfo> copy = onDisk;
    onDisk.reset();
    EXPECT_TRUE(QFile::exists(path));
    copy.reset();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(renders).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Overlapping renders of one sheet both finish and leave no entry behind.
    auto first = sheet.generatePDF(layout({.rows = 1, .columns = 1}));
    auto second = sheet.generatePDF(layout());
    waitFor(first);
    waitFor(second);
    ASSERT_TRUE(first.result() && second.result());
    EXPECT_EQ(first.result()->pageCount, 5);
    EXPECT_EQ(second.result()->pageCount, 2);
    EXPECT_TRUE(PdfInspector(first.result()->data).isValid() &&
                PdfInspector(second.result()->data).isValid());
    EXPECT_FALSE(sheet.progress->isRendering());
    EXPECT_EQ(ProgressByDocument::count(), 0);
}

// A render whose file cannot be made or written fails with the system's reason and leaves nothing behind;
// an empty sheet is no failure. The file-size limit has its signal ignored, as the application does.
TEST(GeneratePDF, ARenderThatCannotBeWrittenFailsWithTheReason)
{
    Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"), {.width = 600, .height = 400})});
    const auto failureOf = [&](const QString& renders) -> QString {
        auto future = sheet.generatePDF(layout(unfiltered), renders);
        waitFor(future);
        try {
            future.waitForFinished();
        } catch (const RenderFailure& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(QStringLiteral("PDF rendering failed: ")));
            return error.reason();
        }
        ADD_FAILURE() << "the render did not fail";
        return {};
    };
    const auto system = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    const QString blocked = folder.bytes(QStringLiteral("plain"), "x").toLocalFile() + "/renders";
    EXPECT_TRUE(failureOf(blocked).endsWith(system(ENOTDIR)));

    const QString renders = folder.path(QStringLiteral("renders"));
    ASSERT_TRUE(QDir().mkpath(renders));
    if (::geteuid() != 0) { // permissions do not bind root
        QFile::setPermissions(renders, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_TRUE(failureOf(renders).contains(system(EACCES)));
        QFile::setPermissions(renders, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4000, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString cut = failureOf(renders);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(cut, system(EFBIG));
    EXPECT_TRUE(QDir(renders).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(sheet.progress->isRendering());
    EXPECT_EQ(ProgressByDocument::count(), 0);

    auto empty = ContactSheet().generatePDF(layout(), renders);
    waitFor(empty);
    EXPECT_NO_THROW(empty.waitForFinished());
    EXPECT_FALSE(empty.result());
    const auto written = generate(sheet, layout(unfiltered), renders);
    EXPECT_TRUE(written && written->file);
}

TEST(GeneratePDF, PicturesFollowFileNameOrder)
{
    Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("IMG_2.jpg"), {30, 20}),
                                        folder.jpeg(QStringLiteral("IMG_10.jpeg"), {40, 20}),
                                        folder.jpeg(QStringLiteral("img_1.jpg"), {20, 20})});
    EXPECT_EQ(widths(imagesOf(sheet, layout({.enableQuartz = false, .rows = 1, .columns = 3}))),
              (std::vector<int>{20, 30, 40}));
}

// The fixture darkens from right to left as stored; 6 puts the stored left edge on top, 8 at the bottom.
TEST(CellDrawing, UnfilteredPicturesAreEmbeddedWholeFittedIntoTheirBoxAndUpright)
{
    Folder folder;
    const QUrl jpegs[] = {folder.jpeg(QStringLiteral("a-landscape.jpg"), {400, 300}),
                          folder.jpeg(QStringLiteral("b-orientation-6.jpg"), {400, 200, 3, 6}),
                          folder.jpeg(QStringLiteral("c-progressive.jpg"), {120, 90, 3, 0, true}),
                          folder.jpeg(QStringLiteral("d-orientation-8.jpg"), {400, 200, 3, 8})};
    LogCapture log;
    const QByteArray pdf = pdfOf(
        sheetOf({jpegs[0], jpegs[1], jpegs[2], jpegs[3], folder.pngWithAlpha(QStringLiteral("e-alpha.png")),
                 folder.jpeg(QStringLiteral("f-cmyk.jpg"), {.width = 300, .height = 200, .cmyk = true})}),
        layout({.enableQuartz = false, .columns = 3}));
    const auto images = PdfInspector(pdf).drawing(0).images;
    ASSERT_EQ(images.size(), 6u);
    // Drawing order: the bottom row (d, e, f) first.
    for (const auto& [image, url] : {std::pair{images[0], jpegs[3]},
                                     {images[3], jpegs[0]},
                                     {images[4], jpegs[1]},
                                     {images[5], jpegs[2]}}) {
        EXPECT_EQ(image.filter, QStringLiteral("/DCTDecode"));
        EXPECT_EQ(ImageFixtures::scanData(image.rawBytes),
                  ImageFixtures::scanData(ImageFixtures::readAll(url)));
    }
    EXPECT_EQ(images[1].filter, QStringLiteral("/FlateDecode"));
    EXPECT_TRUE(images[1].hasSMask);
    EXPECT_EQ(images[2].filter, QStringLiteral("/FlateDecode"));
    EXPECT_EQ(images[2].colorSpace, QStringLiteral("/DeviceRGB"));
    EXPECT_EQ(QSize(images[2].width, images[2].height), QSize(300, 200));
    expectRect(images[3].placement, QRectF(18, 373.5, 240, 180));
    // Turned upright: a portrait picture, 130.5 × 261 centred in its cell.
    expectRect(images[4].placement, QRectF(276 + (240 - 130.5) / 2, 333, 130.5, 261));
    EXPECT_TRUE(
        log.systemLines().contains(QStringLiteral("Drawing image (200.0, 400.0) in box (240.0, 261.0)")));
    const QImage raster = rasterize(pdf);
    EXPECT_GT(rgb(raster, 396, 267)[0] - rgb(raster, 396, 30)[0], 100);
    EXPECT_GT(rgb(raster, 138, 327)[0] - rgb(raster, 138, 564)[0], 100);
}

// Opaque lossless pictures are compressed ahead and, for a render on disk, kept aside until it is done.
TEST(CellDrawing, PicturesKeepTheirColoursButNotTheirPrivateData)
{
    using namespace ImageFixtures;
    Folder folder;
    const Rgb intended = {60, 140, 90};
    const QByteArray swapped = Profiles::redGreenSwapped();
    const QByteArray adobe = Profiles::adobeRgb();
    const QByteArray plain = readAll(flatPicture(folder, QStringLiteral("plain.jpg"), intended, {}));
    const QUrl swappedPng =
        flatPicture(folder, QStringLiteral("b-swapped.png"), fromSrgb(swapped, intended), swapped);
    const ContactSheet sheet = sheetOf({
        flatPicture(folder, QStringLiteral("a-swapped.jpg"), fromSrgb(swapped, intended), swapped),
        swappedPng,
        flatPicture(folder, QStringLiteral("c-adobe-rgb.jpg"), fromSrgb(adobe, intended), adobe),
        cmykPicture(folder, QStringLiteral("d-cmyk.jpg"), intended),
        flatPicture(folder, QStringLiteral("e-swapped-again.jpg"), fromSrgb(swapped, intended), swapped),
        folder.bytes(QStringLiteral("f-camera.jpg"), withPrivateData(plain)),
        folder.twoToneGreyPng(QStringLiteral("g-grey.png")),
    });
    // The middle of each cell's picture on a 72 dpi raster of the default 2 × 2 page.
    const QPoint middles[] = {{202, 148}, {589, 148}, {202, 445}, {589, 445}};
    for (const auto& [compress, onDisk] : {std::pair{false, false}, {false, true}, {true, false}}) {
        SCOPED_TRACE((compress ? "compressing" : "passing through") + std::string(onDisk ? " to disk" : ""));
        const auto info = generate(sheet, layout({.enableQuartz = compress}),
                                   onDisk ? folder.path(QStringLiteral("renders")) : QString());
        ASSERT_TRUE(info);
        const QByteArray pdf = info->bytes();
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        for (int page = 1; page <= 2; ++page) {
            const QImage raster = rasterize(pdf, page);
            for (int cell = 0; cell < (page == 1 ? 4 : 2); ++cell) {
                const auto pixel = rgb(raster, middles[cell].x(), middles[cell].y());
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(pixel[c], intended[c], 6)
                        << "page " << page << " cell " << cell << " channel " << c;
            }
        }
        for (const char* text : privateTexts)
            EXPECT_FALSE(pdf.contains(text)) << text;
        EXPECT_FALSE(pdf.contains(QByteArray("Exif\0\0", 6)));
        const auto first = inspector.drawing(0).images, second = inspector.drawing(1).images;
        ASSERT_EQ(first.size(), 4u);
        ASSERT_EQ(second.size(), 3u);
        EXPECT_EQ(second[2].colorSpace, QStringLiteral("/DeviceRGB"));
        if (compress)
            continue;
        EXPECT_EQ(scanData(second[2].rawBytes), scanData(plain));
        // g (drawn first on the second page), 40 × 30 fitted into 369 × 261: light above, dark below.
        EXPECT_EQ(second[0].filter, QStringLiteral("/FlateDecode"));
        EXPECT_EQ(second[0].colorSpace, QStringLiteral("/DeviceGray"));
        EXPECT_NEAR(rgb(rasterize(pdf, 2), 202, 330)[0], 200, 3);
        EXPECT_NEAR(rgb(rasterize(pdf, 2), 202, 560)[0], 50, 3);
        // Passed through with their profiles as colour spaces: c, d, a, b in drawing order; one profile
        // object serves both pictures that carry it.
        EXPECT_EQ(first[0].iccProfile, adobe);
        EXPECT_EQ(first[2].colorSpace, QStringLiteral("/ICCBased"));
        EXPECT_EQ(first[2].iccProfile, swapped);
        EXPECT_EQ(second[1].iccObject, first[2].iccObject);
        // The PNG goes in with its own rows and shares the profile object of the JPEGs that carry it.
        EXPECT_EQ(first[3].filter, QStringLiteral("/FlateDecode"));
        EXPECT_TRUE(first[3].decodeParms.contains(QStringLiteral("/Predictor 15")));
        EXPECT_EQ(first[3].rawBytes, PngFixtures::imageData(readAll(swappedPng)));
        EXPECT_EQ(first[3].colorSpace, QStringLiteral("/ICCBased"));
        EXPECT_EQ(first[3].iccObject, first[2].iccObject);
    }
    // The pictures kept aside for the render are gone with it.
    EXPECT_EQ(QDir(folder.path(QStringLiteral("renders"))).entryList(QDir::Hidden | QDir::Files),
              QStringList());
}

// One picture a page, the page as large as the picture. Each picture has a twin that is decoded (interlaced,
// so not passed through): the reader draws both the same, pixel for pixel.
TEST(CellDrawing, PngsGoInWithTheirOwnRowsAndShowEveryPixelButNoPrivateChunk)
{
    using namespace PngFixtures;
    Folder folder;
    const ImageFixtures::Image noise = ImageFixtures::picture(60, 40, 3, [](int x, int y, int band) {
        return (x * x * 7 + y * 13 + band * 90 + x * y % 23) % 256;
    });
    const QByteArray colour = readAll(folder.save(QStringLiteral("n.png"), noise.get(), ".png[filter=all]"));
    const QByteArray privateChunks = chunk("tEXt", QByteArray("Comment\0PRIVATE-TEXT", 20)) +
                                     chunk("tIME", QByteArray("\x07\xea\x0c\x07\x08\0\0", 7)) +
                                     orientationChunk(1);
    const QByteArray greyRows = rowData(60, 40, 1, [](qsizetype k) { return int(k * 37 % 256); });
    const QByteArray grey = png(60, 40, 8, 0, greyRows, 3, privateChunks);
    const QByteArray files[] = {colour, grey};
    const ImageFixtures::Image greyTwin =
        ImageFixtures::picture(60, 40, 1, [](int x, int y, int) { return (y * 60 + x) * 37 % 256; });
    const ContactSheet sheet =
        sheetOf({folder.bytes(QStringLiteral("a.png"), colour), folder.bytes(QStringLiteral("b.png"), grey),
                 folder.save(QStringLiteral("c.png"), noise.get(), ".png[interlace]"),
                 folder.save(QStringLiteral("d.png"), greyTwin.get(), ".png[interlace]")});
    const PageLayout pictureSized = layout({.width = 60,
                                            .height = 40,
                                            .margin = 0,
                                            .enableQuartz = false,
                                            .drawsBoundingBox = false,
                                            .showsLabel = false,
                                            .rows = 1,
                                            .columns = 1});
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk ? "on disk" : "in memory");
        const auto info =
            generate(sheet, pictureSized, onDisk ? folder.path(QStringLiteral("r")) : QString());
        ASSERT_TRUE(info);
        const QByteArray pdf = info->bytes();
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        EXPECT_FALSE(pdf.contains("PRIVATE-"));
        for (int page = 0; page < 2; ++page) {
            const auto images = inspector.drawing(page).images, twins = inspector.drawing(page + 2).images;
            ASSERT_EQ(images.size(), 1u);
            ASSERT_EQ(twins.size(), 1u);
            const int components = page == 0 ? 3 : 1;
            EXPECT_EQ(images[0].filter, QStringLiteral("/FlateDecode"));
            EXPECT_EQ(images[0].colorSpace, twins[0].colorSpace);
            EXPECT_EQ(images[0].decodeParms,
                      QStringLiteral("<< /BitsPerComponent 8 /Colors %1 /Columns 60 /Predictor 15 >>")
                          .arg(components));
            EXPECT_EQ(twins[0].decodeParms, QString());
            EXPECT_EQ(images[0].rawBytes, imageData(files[page]));
            EXPECT_TRUE(images[0].decoded == decodedPixels(files[page]));
            EXPECT_TRUE(images[0].decoded == twins[0].decoded);
            const QImage raster = rasterize(pdf, page + 1), twin = rasterize(pdf, page + 3);
            EXPECT_EQ(raster.size(), QSize(60, 40));
            EXPECT_TRUE(!raster.isNull() && raster == twin);
        }
    }
}

// A 1000 × 333 strip stored 10 × 3 must not move on the page for its rounded proportions.
TEST(CellDrawing, TheFilterReencodesPicturesWithinItsLimitsWhereTheOriginalWouldBe)
{
    Folder folder;
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
        LogCapture log;
        const auto images =
            imagesOf(sheetOf({photo}), layout({.imageSizeMax = row.sizeMax, .rows = 1, .columns = 1}));
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

TEST(CellDrawing, PicturesOutOfTheSupplysOrderArePreparedOnTheSpot)
{
    Folder folder;
    const QUrl a = folder.jpeg(QStringLiteral("a.jpg"), {400, 300}), b = folder.jpeg(QStringLiteral("b.jpg"));
    ImageSupply supply({{a, {369, 261}}, {b, {369, 261}}}, ImageFixtures::compressing(200));
    const auto width = [&](const QUrl& url, double sizeMax) {
        return supply.take({url, {369, 261}}, ImageFixtures::compressing(sizeMax))
            .value_or(PreparedImage())
            .width;
    };
    EXPECT_EQ(width(a, 100), 100);
    EXPECT_EQ(width(a, 200), 200);
    EXPECT_EQ(width(b, 200), 64);
    EXPECT_EQ(width(a, 200), 200);
}

// Unreadable, empty and vanished files keep their label and box, each named in the log.
TEST(CellDrawing, BadFilesNeverStopTheRenderAndPicturesOrLabelsCanBeLeftOut)
{
    Folder folder;
    const QUrl vanished = folder.jpeg(QStringLiteral("e-vanished.jpg"));
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg")),
                                        folder.bytes(QStringLiteral("b-empty.jpg"), QByteArray()),
                                        folder.bytes(QStringLiteral("c-garbage.jpg"), "not a picture"),
                                        folder.jpeg(QStringLiteral("d.jpg")), vanished});
    QFile::remove(vanished.toLocalFile());
    for (const bool filter : {true, false}) {
        SCOPED_TRACE(filter ? "filter on" : "filter off");
        LogCapture log;
        const PdfInspector inspector(
            pdfOf(sheet, layout({.enableQuartz = filter, .drawsBoundingBox = true, .columns = 3})));
        // Bottom row (d, e) first.
        EXPECT_EQ(inspector.structTypes(),
                  (QStringList{"Figure", "Lbl", "Lbl", "Figure", "Lbl", "Lbl", "Lbl"}));
        EXPECT_EQ(log.systemLines().filter(QStringLiteral("Drawing image")).size(), 2);
        for (const char* name : {"b-empty.jpg", "c-garbage.jpg", "e-vanished.jpg"})
            EXPECT_FALSE(log.systemLines().filter(QLatin1String(name)).isEmpty()) << name;
        const auto strokes = inspector.drawing(0).strokes;
        ASSERT_EQ(strokes.size(), 5u); // the empty sixth cell has no box
        const QPointF cells[] = {{18, 18}, {276, 18}, {18, 315}, {276, 315}, {534, 315}};
        for (size_t i = 0; i < strokes.size(); ++i) {
            EXPECT_EQ(strokes[i].rect, QRectF(cells[i], QSizeF(240, 279)));
            EXPECT_NEAR(strokes[i].lineWidth, 1, 1e-6);
            EXPECT_NEAR(strokes[i].color[0], 0.5, 1e-3);
        }
    }
    const ContactSheet two =
        sheetOf({folder.jpeg(QStringLiteral("a.jpg")), folder.jpeg(QStringLiteral("b.jpg"))});
    const QByteArray labels = pdfOf(two, layout({.drawsImages = false}));
    EXPECT_EQ(PdfInspector(labels).structTypes(), (QStringList{"Lbl", "Lbl"}));
    EXPECT_EQ(extractText(labels).simplified(), QStringLiteral("a.jpg b.jpg"));
    EXPECT_EQ(PdfInspector(pdfOf(two, layout({.showsLabel = false}))).structTypes(),
              (QStringList{"Figure", "Figure"}));
}

TEST(CellDrawing, LabelsAreSetInTheLayoutsFontSizeAndColourCentredAndShortenedToTheCell)
{
    Folder folder;
    const QString longName = QStringLiteral("a-") + QString(120, QLatin1Char('w')) + QStringLiteral(".jpg");
    const ContactSheet sheet =
        sheetOf({folder.bytes(longName, "x"), folder.bytes(QStringLiteral("b.jpg"), "x")});
    const QByteArray small = pdfOf(sheet, layout({.drawsImages = false, .fontSize = 10}));
    const QByteArray large = pdfOf(sheet, layout({.drawsImages = false,
                                                  .fontSize = 30,
                                                  .fontColor = ColorProxy(Color::rgb(1, 0, 0, 1)),
                                                  .fontName = QStringLiteral("DejaVu Serif")}));
    // The long name keeps both its ends and fills its band; text hangs from the band's top edge (15 and
    // 45 points above the top row's cells, at 612 − 315 from the page's top).
    const auto smallWords = words(small), largeWords = words(large);
    ASSERT_EQ(smallWords.size(), 3u);
    ASSERT_EQ(largeWords.size(), 3u);
    EXPECT_TRUE(smallWords[0].first.startsWith("a-www") && smallWords[1].first.endsWith("www.jpg"));
    EXPECT_NEAR(smallWords[0].second.left(), 18, 0.5);
    EXPECT_NEAR(smallWords[1].second.right(), 18 + 369, 0.5);
    EXPECT_NEAR(smallWords[2].second.center().x(), 405 + 369 / 2.0, 0.75); // "b.jpg", centred
    EXPECT_NEAR(smallWords[2].second.top(), 297 - 15, 0.1);
    EXPECT_NEAR(largeWords[2].second.top(), 297 - 45, 0.1);
    EXPECT_NEAR(largeWords[2].second.height() / smallWords[2].second.height(), 3.0, 0.01);
    EXPECT_EQ(PdfInspector(small).drawing(0).textColors.at(0), (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(PdfInspector(large).drawing(0).textColors.at(0), (std::array<double, 3>{1, 0, 0}));
    EXPECT_TRUE(small.contains("DejaVuSans"));
    EXPECT_FALSE(small.contains("DejaVuSerif"));
    EXPECT_TRUE(large.contains("DejaVuSerif"));
}

TEST(PageDrawing, BackgroundIsPaintedUnlessWhiteOrTransparent)
{
    Folder folder;
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    const struct {
        const char* name;
        Color color;
        bool painted;
        bool drawsBackground = true;
    } rows[] = {{"grey", Color::gray(0.18), true},
                {"white", Color::white(), false},
                {"white as RGB", Color::rgb(1, 1, 1, 1), true},
                {"transparent", Color::rgb(0, 0, 0, 0), false},
                {"grey but switched off", Color::gray(0.18), false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        const QByteArray pdf =
            pdfOf(sheet,
                  layout({.drawsBackground = row.drawsBackground, .backgroundColor = ColorProxy(row.color)}));
        EXPECT_EQ(log.systemLines().contains(QStringLiteral("Adding background to page 0")), row.painted);
        const auto fills = PdfInspector(pdf).drawing(0).fills;
        EXPECT_EQ(!fills.empty() && fills[0].rect == QRectF(0, 0, 792, 612), row.painted);
        if (row.painted && row.color == Color::gray(0.18)) {
            EXPECT_NEAR(rgb(rasterize(pdf, 1, 36), 2, 2)[0], 46, 1);
        }
    }
}

TEST(Render, ADocumentThatYieldsNoDataStillClosesItsProgress)
{
    auto document = std::make_shared<PdfDocument>();
    PageLayout broken = layout();
    broken.width = 0; // a page no PDF can hold
    document->insertPage(std::make_shared<ContactSheetPage>(broken, QList<QUrl>{}), 0);
    const auto progress = PDFProgress::create();
    for (auto [d, p] : {std::pair{std::shared_ptr<PdfDocument>(), progress}, {document, nullptr}}) {
        auto nothing = ContactSheet::render(d, p);
        waitFor(nothing);
        EXPECT_FALSE(nothing.result()); // and the progress is not touched
    }
    LogCapture log;
    auto future = ContactSheet::render(document, progress);
    waitFor(future);
    EXPECT_FALSE(future.result());
    EXPECT_FALSE(progress->isRendering());
    EXPECT_EQ(progress->completedUnitCount(), 1);
    EXPECT_EQ(progress->totalUnitCount(), 1);
    EXPECT_EQ(ProgressByDocument::count(), 0);
}

TEST(WritePDF, CreatesMissingFoldersAndWritesTheRenderWithItsMetadata)
{
    Folder folder;
    ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"))});
    // Text that needs escaping, and an empty entry, which is still written.
    sheet.metadata = {.title = QStringLiteral("Ünïcode (x) \\ )"),
                      .subject = QStringLiteral("Sea"),
                      .keywords = {QStringLiteral("sea"), QStringLiteral("sand")},
                      .header = QStringLiteral("not drawn")};
    const QString target = folder.path(QStringLiteral("x/y/out.pdf"));
    LogCapture log;
    auto future = sheet.writePDF(target, layout());
    waitFor(future);
    EXPECT_NO_THROW(future.waitForFinished());
    EXPECT_EQ(log.systemLines().value(0), QStringLiteral("Writing the PDF to ") + target);
    const QByteArray written = ImageFixtures::readAll(QUrl::fromLocalFile(target));
    const PdfInspector inspector(written);
    EXPECT_TRUE(inspector.isValid());
    EXPECT_EQ(inspector.pageCount(), 1);
    EXPECT_EQ(inspector.info(QStringLiteral("Title")), QStringLiteral("Ünïcode (x) \\ )"));
    EXPECT_EQ(inspector.info(QStringLiteral("Author")), QStringLiteral(""));
    EXPECT_EQ(inspector.info(QStringLiteral("Subject")), QStringLiteral("Sea"));
    EXPECT_EQ(inspector.info(QStringLiteral("Keywords")), QStringLiteral("sea, sand"));
    EXPECT_FALSE(extractText(written).contains(QStringLiteral("not drawn")));

    const QString emptyTarget = folder.path(QStringLiteral("empty/out.pdf"));
    auto empty = ContactSheet().writePDF(emptyTarget, layout());
    waitFor(empty);
    EXPECT_NO_THROW(empty.waitForFinished());
    EXPECT_TRUE(QDir(folder.path(QStringLiteral("empty"))).exists());
    EXPECT_FALSE(QFile::exists(emptyTarget));
    const QUrl file = folder.bytes(QStringLiteral("plain"), "x");
    auto blocked = sheet.writePDF(file.toLocalFile() + "/out.pdf", layout());
    waitFor(blocked);
    try {
        blocked.waitForFinished();
        ADD_FAILURE();
    } catch (const KestrelExtensions::FileError& error) {
        EXPECT_EQ(error.path(), file.toLocalFile());
        EXPECT_EQ(error.systemMessage(), QString::fromLocal8Bit(std::strerror(EEXIST)));
    }
}

// The write is cut short by a file-size limit with its signal ignored, as the application does.
TEST(WritePDF, AFailedRenderOrWriteKeepsTheEarlierFile)
{
    Folder folder;
    const QUrl earlier = folder.bytes(QStringLiteral("out.pdf"), "earlier");
    const ContactSheet sheet = sheetOf({folder.jpeg(QStringLiteral("a.jpg"), {.width = 600, .height = 400})});
    LogCapture log;
    auto failed = sheet.writePDF(earlier.toLocalFile(), layout({.width = 3e6}));
    waitFor(failed);
    EXPECT_NO_THROW(failed.waitForFinished());
    EXPECT_EQ(log.systemLines().filter(QStringLiteral("cannot be rendered")).size(), 1);
    EXPECT_FALSE(sheet.progress->isRendering());

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4000, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto cut = sheet.writePDF(earlier.toLocalFile(), layout(unfiltered));
    waitFor(cut);
    EXPECT_THROW(cut.waitForFinished(), KestrelExtensions::FileError);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(ImageFixtures::readAll(earlier), QByteArray("earlier"));
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files), (QStringList{"a.jpg", "out.pdf"}));
}

// A name written in Latin-1 (an old camera card, an archive) is found, read by its bytes and labelled.
TEST(GeneratePDF, FilesWhoseNamesAreNotUtf8AreAddedReadAndLabelled)
{
    Folder folder;
    const QByteArray directory = QFile::encodeName(folder.path(QStringLiteral("card")));
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(directory)));
    const QByteArray latin1 = directory + "/caf\xE9.jpg";
    ASSERT_EQ(::rename(QFile::encodeName(folder.jpeg(QStringLiteral("source.jpg")).toLocalFile()).constData(),
                       latin1.constData()),
              0);
    LogCapture log;
    ContactSheet fromFolder, single;
    fromFolder.add({LocalPath::url(directory)});
    single.add({LocalPath::url(latin1)});
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding 1 images from directory card")));
    EXPECT_TRUE(log.systemLines().contains(QStringLiteral("Adding URL caf\u00e9.jpg")));
    ASSERT_EQ(fromFolder.images, single.images);
    EXPECT_EQ(LocalPath::bytes(*single.images.begin()), latin1);
    const QByteArray pdf = pdfOf(single, layout(unfiltered));
    EXPECT_TRUE(log.systemLines().filter(QStringLiteral("Cannot read image")).isEmpty());
    EXPECT_EQ(PdfInspector(pdf).drawing(0).images.size(), 1u);
    EXPECT_TRUE(extractText(pdf).contains(QStringLiteral("caf\u00e9.jpg")));
    ::unlink(latin1.constData()); // which the temporary folder could not name to remove it
}

TEST(GeneratePDFFile, OnlyLeftoversOfProcessesThatAreGoneAreRemoved)
{
    Folder folder;
    const QString own = QStringLiteral("sheet-%1-abc123.pdf").arg(QCoreApplication::applicationPid());
    // Process ids never reach a billion, so this one cannot be running.
    for (const QString& name :
         {own, QStringLiteral("sheet-999999999-abc123.pdf"), QStringLiteral("notes.pdf")})
        folder.bytes(name, "%PDF");
    PDFFile::removeLeftovers(folder.path(QString()));
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files),
              (QStringList{QStringLiteral("notes.pdf"), own}));
}
