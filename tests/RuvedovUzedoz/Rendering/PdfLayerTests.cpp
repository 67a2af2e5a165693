#include "../Images/ColorFixtures.h"
#include "../Images/ImageFixtures.h"
#include "KestrelExtensions/Coding/FileError.h"
#include "PdfInspector.h"
#include "RenderFixtures.h"
#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"
#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"
#include "RuvedovUzedoz/Rendering/FontFamilies.h"
#include "support/LogCapture.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <functional>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;

namespace {

// A page that draws whatever the test gives it.
class ScriptedPage : public PdfPage {
public:
    explicit ScriptedPage(QRectF box, std::function<void(GraphicsContext&)> script = {})
        : m_script(std::move(script))
    {
        setMediaBox(box);
    }
    void draw(PdfDisplayBox, GraphicsContext& context) override
    {
        if (m_script)
            m_script(context);
    }

private:
    std::function<void(GraphicsContext&)> m_script;
};

QByteArray render(const std::vector<std::shared_ptr<PdfPage>>& pages, PdfDocumentAttributes attributes = {})
{
    PdfDocument document;
    document.setDocumentAttributes(attributes);
    for (const auto& page : pages)
        document.insertPage(page, document.pageCount());
    return document.dataRepresentation().value_or(QByteArray());
}

// The same document written straight into a file, read back.
QByteArray renderToFile(const std::vector<std::shared_ptr<PdfPage>>& pages)
{
    PdfDocument document;
    for (const auto& page : pages)
        document.insertPage(page, document.pageCount());
    QTemporaryFile file;
    if (!file.open() || !document.write(file) || !file.flush() || !file.seek(0))
        return {};
    return file.readAll();
}

// An 8 × 8 opaque picture with a distinct colour in each quarter: red, green / blue, white (rows top down).
PreparedImage corners(int orientation)
{
    PreparedImage image;
    image.encoding = PreparedImage::Encoding::Pixels;
    image.width = 8;
    image.height = 8;
    image.orientation = orientation;
    image.stride = 32;
    const quint32 colours[4] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    QList<quint32> pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pixels.append(colours[(y / 4) * 2 + x / 4]);
    image.pixels = QByteArray(reinterpret_cast<const char*>(pixels.constData()), pixels.size() * 4);
    return image;
}

} // namespace

TEST(PdfDocument, WritesInformationEntriesEvenWhenEmpty)
{
    const auto page = [] { return std::make_shared<ScriptedPage>(QRectF(0, 0, 200, 100)); };
    const PdfInspector empty(render({page()}, {QStringLiteral("Sheetwright"), {}, {}, {}, {}}));
    ASSERT_TRUE(empty.isValid());
    EXPECT_EQ(empty.info(QStringLiteral("Creator")), QStringLiteral("Sheetwright"));
    for (const char* key : {"Title", "Author", "Subject", "Keywords"}) {
        EXPECT_TRUE(empty.hasInfo(QString::fromLatin1(key))) << key;
        EXPECT_EQ(empty.info(QString::fromLatin1(key)), QString()) << key;
    }

    const PdfInspector full(render({page()}, {QStringLiteral("Sheetwright"),
                                              QStringLiteral("Ünïcode (x) \\ )"),
                                              QStringLiteral("Ann"),
                                              QStringLiteral("Trip"),
                                              {QStringLiteral("a"), QStringLiteral("b")}}));
    EXPECT_EQ(full.info(QStringLiteral("Title")), QStringLiteral("Ünïcode (x) \\ )"));
    EXPECT_EQ(full.info(QStringLiteral("Author")), QStringLiteral("Ann"));
    EXPECT_EQ(full.info(QStringLiteral("Subject")), QStringLiteral("Trip"));
    EXPECT_EQ(full.info(QStringLiteral("Keywords")), QStringLiteral("a, b"));
}

TEST(PdfDocument, MediaBoxOriginMovesThePageContentAlong)
{
    auto drawFill = [](GraphicsContext& context) {
        context.setFillColor({1, 0, 0, 1});
        context.fill(QRectF(10, 20, 30, 40));
    };
    const std::vector<std::shared_ptr<PdfPage>> pages = {
        std::make_shared<ScriptedPage>(QRectF(18, 18, 792, 612), drawFill),
        std::make_shared<ScriptedPage>(QRectF(0, 0, 300, 400), drawFill)};
    // In memory and written to a file as it is drawn: the same document either way.
    for (const bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "file" : "memory");
        const QByteArray pdf = toFile ? renderToFile(pages) : render(pages);
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        EXPECT_TRUE(inspector.isMarked());
        ASSERT_EQ(inspector.pageCount(), 2);
        EXPECT_EQ(inspector.mediaBox(0), QRectF(18, 18, 792, 612));
        EXPECT_EQ(inspector.mediaBox(1), QRectF(0, 0, 300, 400));
        for (int page = 0; page < 2; ++page) {
            const auto fills = inspector.drawing(page).fills;
            ASSERT_EQ(fills.size(), 1u);
            EXPECT_EQ(fills[0].rect.toRect(), QRect(10, 20, 30, 40));
        }
        // y up: the fill sits 20 points above the bottom edge of the visible page.
        const auto raster = RenderFixtures::rasterize(pdf, 1, 72);
        ASSERT_TRUE(raster);
        EXPECT_EQ(raster->pixel(25, 612 - 40), (std::array<int, 3>{255, 0, 0}));
        EXPECT_EQ(raster->pixel(25, 612 - 10), (std::array<int, 3>{255, 255, 255}));
    }
}

TEST(PdfDocument, JpegsCarryingAProfileGetItAsTheirColourSpace)
{
    using namespace ImageFixtures;
    Folder folder;
    const Rgb intended = {60, 140, 90};
    const QByteArray swapped = Profiles::redGreenSwapped();
    const auto jpeg = [&](const QString& name, const QByteArray& profile, Rgb values) {
        PreparedImage image;
        image.encoding = PreparedImage::Encoding::Jpeg;
        image.width = 64;
        image.height = 48;
        image.jpeg = readAll(flatPicture(folder, name, values, profile));
        return image;
    };
    const PreparedImage first = jpeg("first.jpg", swapped, fromSrgb(swapped, intended));
    const PreparedImage plain = jpeg("plain.jpg", {}, intended);
    // The same profile on another picture: one profile object serves both.
    const PreparedImage second = jpeg("second.jpg", swapped, fromSrgb(swapped, {61, 141, 91}));
    const auto drawing = [](std::vector<const PreparedImage*> images) {
        return [images](GraphicsContext& context) {
            for (size_t i = 0; i < images.size(); ++i)
                context.drawImage(*images[i], QRectF(100.0 * double(i), 0, 64, 48));
        };
    };
    const std::vector<std::shared_ptr<PdfPage>> pages = {
        std::make_shared<ScriptedPage>(QRectF(18, 18, 300, 100), drawing({&first, &plain})),
        std::make_shared<ScriptedPage>(QRectF(0, 0, 300, 100), drawing({&second}))};
    for (const bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "file" : "memory");
        const QByteArray pdf = toFile ? renderToFile(pages) : render(pages);
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        const auto one = inspector.drawing(0).images;
        const auto two = inspector.drawing(1).images;
        ASSERT_EQ(one.size(), 2u);
        ASSERT_EQ(two.size(), 1u);
        EXPECT_EQ(one[0].colorSpace, QStringLiteral("/ICCBased"));
        EXPECT_EQ(one[0].iccProfile, swapped);
        EXPECT_EQ(one[0].rawBytes, first.jpeg);
        EXPECT_EQ(one[1].colorSpace, QStringLiteral("/DeviceRGB"));
        EXPECT_EQ(two[0].iccObject, one[0].iccObject);
        const auto raster = RenderFixtures::rasterize(pdf, 1, 72);
        ASSERT_TRUE(raster);
        for (const int x : {32, 132}) {
            const auto pixel = raster->pixel(x, 100 - 24);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(pixel[c], intended[c], 6) << "x " << x << " channel " << c;
        }
    }
}

TEST(PdfDocument, IsTaggedWithADocumentRootAroundAllPages)
{
    auto figure = [](GraphicsContext& context) {
        context.beginTag(ContentTag::Figure);
        context.drawImage(corners(1), QRectF(10, 10, 20, 20));
        context.endTag();
        context.beginTag(ContentTag::Label);
        context.drawText(QStringLiteral("x.jpg"), QRectF(0, 0, 100, 18),
                         {QStringLiteral("DejaVu Sans"), 12, {}});
        context.endTag();
    };
    const auto page = [&] { return std::make_shared<ScriptedPage>(QRectF(0, 0, 100, 100), figure); };
    const PdfInspector inspector(render({page(), page(), page()}));
    ASSERT_TRUE(inspector.isValid());
    EXPECT_TRUE(inspector.isMarked());
    const auto elements = inspector.structElements();
    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(elements[0].type, QStringLiteral("Document"));
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(inspector.structTypes(page),
                  (QStringList{QStringLiteral("Figure"), QStringLiteral("Lbl")}));
}

TEST(PdfDocument, PageCoveringDrawingInsideTagsKeepsTheDocument)
{
    // Full-page fills and pictures inside open tags, on pages that are otherwise empty.
    auto pictureOnly = [](GraphicsContext& context) {
        context.beginTag(ContentTag::Figure);
        context.drawImage(corners(1), QRectF(0, 0, 792, 612));
        context.endTag();
    };
    auto covering = [&](GraphicsContext& context) {
        context.setFillColor({0.18, 0.18, 0.18, 1});
        context.fill(QRectF(0, 0, 792, 612));
        pictureOnly(context);
    };
    const PdfInspector inspector(
        render({std::make_shared<ScriptedPage>(QRectF(0, 0, 792, 612), covering),
                std::make_shared<ScriptedPage>(QRectF(0, 0, 792, 612), pictureOnly)}));
    ASSERT_TRUE(inspector.isValid());
    EXPECT_TRUE(inspector.isMarked());
    EXPECT_EQ(inspector.structTypes(), (QStringList{QStringLiteral("Figure"), QStringLiteral("Figure")}));
}

TEST(PdfDocument, PagesLeavingStateOpenOrAskingForBadTransformsDoNotBreakIt)
{
    auto careless = [](GraphicsContext& context) {
        context.saveGState();
        EXPECT_FALSE(context.scaleBy(0, 0));
        EXPECT_FALSE(context.scaleBy(qQNaN(), 1));
        EXPECT_FALSE(context.translateBy(qInf(), 0));
        context.beginTag(ContentTag::Figure);
        context.saveGState();
        EXPECT_FALSE(context.drawImage(PreparedImage{}, QRectF(0, 0, 10, 10)));
        context.drawText(QStringLiteral("x"), QRectF(0, 0, -5, 10), {});
    };
    const PdfInspector inspector(render({std::make_shared<ScriptedPage>(QRectF(0, 0, 100, 100), careless),
                                         std::make_shared<ScriptedPage>(QRectF(0, 0, 100, 100), careless)}));
    EXPECT_TRUE(inspector.isValid());
    EXPECT_EQ(inspector.pageCount(), 2);
}

TEST(PdfDocument, NothingToDrawOrAnUndrawableSizeGivesNoData)
{
    KestrelExtensions::LogCapture log;
    EXPECT_FALSE(PdfDocument().dataRepresentation());

    PdfDocument document;
    document.insertPage(std::make_shared<ScriptedPage>(QRectF(0, 0, 0, 100)), 0);
    EXPECT_FALSE(document.dataRepresentation());
    ASSERT_EQ(log.systemLines().size(), 1);
    EXPECT_TRUE(log.systemLines()[0].startsWith(QStringLiteral("PDF rendering failed")));
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    EXPECT_FALSE(document.write(file));
    EXPECT_EQ(file.size(), 0);
}

TEST(PdfDocument, AFullDiskFailsTheDocumentWithTheFilesError)
{
    // With and without the media-box pass, which reads the file back.
    for (const QRectF& box : {QRectF(18, 18, 200, 100), QRectF(0, 0, 200, 100)}) {
        PdfDocument document;
        document.insertPage(std::make_shared<ScriptedPage>(box), 0);
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly))
            GTEST_SKIP() << "no /dev/full";
        // A write failure must never look like a sheet with nothing to draw.
        EXPECT_THROW(document.write(full), KestrelExtensions::FileError);
        EXPECT_NE(full.error(), QFileDevice::NoError);
    }
}

TEST(PdfDocument, InsertingKeepsIndexesAndOwnership)
{
    auto a = std::make_shared<ScriptedPage>(QRectF(0, 0, 10, 10));
    auto b = std::make_shared<ScriptedPage>(QRectF(0, 0, 10, 10));
    auto c = std::make_shared<ScriptedPage>(QRectF(0, 0, 10, 10));
    EXPECT_EQ(a->index(), -1);
    {
        PdfDocument document;
        document.insertPage(a, 0);
        document.insertPage(b, 0);
        document.insertPage(c, 7); // past the end: appended
        document.insertPage(a, 0); // already in a document: ignored
        EXPECT_EQ(document.pageCount(), 3);
        EXPECT_EQ(b->index(), 0);
        EXPECT_EQ(a->index(), 1);
        EXPECT_EQ(c->index(), 2);
        EXPECT_EQ(a->document(), &document);
        EXPECT_NE(PdfDocument().id(), document.id());
    }
    EXPECT_EQ(a->document(), nullptr);
    EXPECT_EQ(a->index(), -1);
}

TEST(GraphicsContext, PicturesAreDrawnUprightForEveryOrientation)
{
    // Which stored corner (column, row) shows in each upright quadrant (column, row; rows top down).
    const auto storedCorner = [](int orientation, int qx, int qy) -> std::pair<int, int> {
        switch (orientation) {
        case 2:
            return {1 - qx, qy};
        case 3:
            return {1 - qx, 1 - qy};
        case 4:
            return {qx, 1 - qy};
        case 5:
            return {qy, qx};
        case 6:
            return {qy, 1 - qx};
        case 7:
            return {1 - qy, 1 - qx};
        case 8:
            return {1 - qy, qx};
        default:
            return {qx, qy};
        }
    };
    const std::array<std::array<int, 3>, 4> colours = {
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}};
    std::vector<std::shared_ptr<PdfPage>> pages;
    for (int orientation = 1; orientation <= 8; ++orientation)
        pages.push_back(
            std::make_shared<ScriptedPage>(QRectF(0, 0, 100, 100), [orientation](GraphicsContext& context) {
                context.drawImage(corners(orientation), QRectF(0, 0, 100, 100));
            }));
    const QByteArray pdf = render(pages);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const auto raster = RenderFixtures::rasterize(pdf, orientation, 72);
        ASSERT_TRUE(raster);
        for (int qy = 0; qy < 2; ++qy)
            for (int qx = 0; qx < 2; ++qx) {
                const auto [sx, sy] = storedCorner(orientation, qx, qy);
                EXPECT_EQ(raster->pixel(25 + 50 * qx, 25 + 50 * qy), colours[size_t(sy * 2 + sx)])
                    << "quadrant " << qx << "," << qy;
            }
    }
}

TEST(GraphicsContext, TextIsSetLiterallyInItsColour)
{
    const QByteArray pdf =
        render({std::make_shared<ScriptedPage>(QRectF(0, 0, 200, 100), [](GraphicsContext& context) {
            context.drawText(QStringLiteral("<b>x.jpg"), QRectF(0, 0, 200, 18),
                             {QStringLiteral("No Such Font Family"), 12, {0.82, 0.82, 0.82, 1}});
        })});
    const PdfInspector inspector(pdf);
    ASSERT_TRUE(inspector.isValid());
    const auto colors = inspector.drawing(0).textColors;
    ASSERT_FALSE(colors.empty());
    EXPECT_NEAR(colors[0][0], 0.82, 1e-3);
    EXPECT_EQ(RenderFixtures::extractText(pdf).trimmed(), QStringLiteral("<b>x.jpg"));
}

TEST(GraphicsContext, PicturesCairoCannotHoldAreLeftOutWithoutAnEmptyFigure)
{
    PreparedImage wide;
    wide.width = 40000;
    wide.height = 10;
    wide.stride = 160000; // no pixel bytes at all: inconsistent as well as too wide
    KestrelExtensions::LogCapture log;
    const QByteArray pdf =
        render({std::make_shared<ScriptedPage>(QRectF(0, 0, 400, 300), [&](GraphicsContext& context) {
            ContactSheetCell(369, 279, 12, true, QStringLiteral("DejaVu Sans"), Color::black())
                .drawImage(wide, context);
        })});
    const PdfInspector inspector(pdf);
    EXPECT_TRUE(inspector.isValid());
    EXPECT_TRUE(inspector.structTypes().isEmpty());
    EXPECT_TRUE(log.systemLines().isEmpty());
}

TEST(FontFamilies, ListsEachInstalledFamilyOnceInOrder)
{
    const QStringList families = availableFontFamilies();
    EXPECT_TRUE(families.contains(QStringLiteral("DejaVu Sans")));
    EXPECT_EQ(QSet<QString>(families.begin(), families.end()).size(), families.size());
    for (qsizetype i = 1; i < families.size(); ++i)
        EXPECT_LE(families[i - 1].compare(families[i], Qt::CaseInsensitive), 0);
}
