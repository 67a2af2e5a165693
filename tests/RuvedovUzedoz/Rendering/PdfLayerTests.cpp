#include "KestrelExtensions/Coding/FileError.h"
#include "PdfInspector.h"
#include "RenderFixtures.h"
#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"
#include "RuvedovUzedoz/Pdf/PdfPostProcess.h"
#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"
#include "RuvedovUzedoz/Rendering/FontFamilies.h"
#include "support/LogCapture.h"

#include <QTemporaryFile>
#include <functional>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using RenderFixtures::rgb;
using Script = std::function<void(GraphicsContext&)>;

namespace {

// A page that draws whatever the test gives it.
class ScriptedPage : public PdfPage {
public:
    explicit ScriptedPage(QRectF box, Script script = {}) : m_script(std::move(script)) { setMediaBox(box); }
    void draw(PdfDisplayBox, GraphicsContext& context) override
    {
        if (m_script)
            m_script(context);
    }

private:
    Script m_script;
};

PdfDocument& add(PdfDocument& document, const std::vector<std::pair<QRectF, Script>>& pages)
{
    for (const auto& [box, script] : pages)
        document.insertPage(std::make_shared<ScriptedPage>(box, script), document.pageCount());
    return document;
}

QByteArray render(const std::vector<std::pair<QRectF, Script>>& pages)
{
    PdfDocument document;
    return add(document, pages).dataRepresentation().value_or(QByteArray());
}

// An 8 × 8 opaque picture with a distinct colour in each quarter: red, green / blue, white (rows top down).
PreparedImage corners(int orientation)
{
    PreparedImage image;
    image.encoding = PreparedImage::Encoding::Pixels;
    image.width = image.height = 8;
    image.orientation = orientation;
    image.stride = 32;
    const quint32 colours[4] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.pixels.append(reinterpret_cast<const char*>(&colours[(y / 4) * 2 + x / 4]), 4);
    return image;
}

} // namespace

// Tagged with a document root around all pages, also where pages cover themselves inside open tags,
// leave state open or ask for transforms that cannot be made.
TEST(PdfDocument, IsTaggedWithADocumentRootAroundAllPages)
{
    const Script figure = [](GraphicsContext& context) {
        context.beginTag(ContentTag::Figure);
        context.drawImage(corners(1), QRectF(10, 10, 20, 20));
        context.endTag();
        context.beginTag(ContentTag::Label);
        context.drawText(QStringLiteral("x.jpg"), QRectF(0, 0, 100, 18),
                         {QStringLiteral("DejaVu Sans"), 12, {}});
        context.endTag();
    };
    const Script covering = [](GraphicsContext& context) {
        context.setFillColor({0.18, 0.18, 0.18, 1});
        context.fill(QRectF(0, 0, 100, 100));
        context.beginTag(ContentTag::Figure);
        context.drawImage(corners(1), QRectF(0, 0, 100, 100));
        context.endTag();
    };
    const Script careless = [](GraphicsContext& context) {
        context.saveGState();
        EXPECT_FALSE(context.scaleBy(0, 0));
        EXPECT_FALSE(context.scaleBy(qQNaN(), 1));
        EXPECT_FALSE(context.translateBy(qInf(), 0));
        context.beginTag(ContentTag::Figure);
        context.saveGState();
        EXPECT_FALSE(context.drawImage(PreparedImage{}, QRectF(0, 0, 10, 10)));
        context.drawText(QStringLiteral("x"), QRectF(0, 0, -5, 10), {});
    };
    const QRectF box(0, 0, 100, 100);
    const PdfInspector inspector(
        render({{box, figure}, {box, careless}, {box, figure}, {box, covering}, {box, careless}}));
    ASSERT_TRUE(inspector.isValid());
    EXPECT_TRUE(inspector.isMarked());
    EXPECT_EQ(inspector.pageCount(), 5);
    EXPECT_EQ(inspector.structTypes(PdfInspector::everyElement).value(0), QStringLiteral("Document"));
    EXPECT_EQ(inspector.structTypes(0), (QStringList{"Figure", "Lbl"}));
    EXPECT_EQ(inspector.structTypes(2), (QStringList{"Figure", "Lbl"}));
    EXPECT_EQ(inspector.structTypes(3), QStringList{"Figure"});
    EXPECT_EQ(inspector.drawing(0).textColors.at(0), (PdfInspector::Rgb{0, 0, 0})); // the default colour
}

TEST(PdfDocument, NothingToDrawOrAnUndrawableSizeGivesNoData)
{
    KestrelExtensions::LogCapture log;
    EXPECT_FALSE(PdfDocument().dataRepresentation());
    for (const QSizeF size :
         {QSizeF(0, 100), QSizeF(qQNaN(), 100), QSizeF(1440001, 100), QSizeF(100, 1440001)}) {
        SCOPED_TRACE(size.height());
        log.clear();
        PdfDocument document;
        add(document, {{QRectF(QPointF(), size), {}}});
        EXPECT_FALSE(document.dataRepresentation());
        ASSERT_EQ(log.systemLines().size(), 1);
        EXPECT_TRUE(log.systemLines()[0].startsWith(QStringLiteral("PDF rendering failed")));
        QTemporaryFile file;
        ASSERT_TRUE(file.open());
        EXPECT_FALSE(document.write(file));
        EXPECT_EQ(file.size(), 0);
    }
    // The largest page there can be.
    PdfDocument largest;
    EXPECT_TRUE(add(largest, {{QRectF(0, 0, 1440000, 10), {}}, {QRectF(0, 0, 10, 1440000), {}}})
                    .dataRepresentation());
}

// The second pass on a PDF it did not write itself: the first page's content in two streams, the second
// page's box not given. A file the pass cannot read fails, and says why.
TEST(PdfDocument, TheSecondPassMovesEveryStreamOfAPageAndOnlyThePagesItIsGiven)
{
    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 40 30] /Contents [5 0 R 6 0 R] >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 40 30] /Contents 5 0 R >>",
        "<< /Length 12 >>\nstream\n1 2 3 4 re f\nendstream",
        "<< /Length 12 >>\nstream\n5 6 7 8 re f\nendstream"};
    QByteArray pdf = "%PDF-1.5\n", xref = "xref\n0 7\n0000000000 65535 f \n";
    for (int i = 0; i < 6; ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    pdf += xref + "trailer\n<< /Size 7 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(pdf.size()) +
           "\n%%EOF\n";
    ASSERT_TRUE(completePdf(pdf, {QRectF(18, 18, 40, 30)}));
    const PdfInspector inspector(pdf);
    ASSERT_TRUE(inspector.isValid());
    EXPECT_EQ(inspector.mediaBox(0), QRectF(18, 18, 40, 30));
    EXPECT_EQ(inspector.mediaBox(1), QRectF(0, 0, 40, 30));
    const auto fills = inspector.drawing(0).fills;
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].rect, QRectF(1, 2, 3, 4));
    EXPECT_EQ(fills[1].rect, QRectF(5, 6, 7, 8));

    KestrelExtensions::LogCapture log;
    QByteArray notAPdf("%PDF-1.5\nnot a PDF at all\n");
    EXPECT_FALSE(completePdf(notAPdf, {}));
    EXPECT_EQ(notAPdf, "%PDF-1.5\nnot a PDF at all\n");
    QTemporaryFile file;
    ASSERT_TRUE(file.open() && file.write(notAPdf) == notAPdf.size());
    EXPECT_FALSE(completePdf(file, {}));
    ASSERT_EQ(log.systemLines().size(), 2);
    for (const QString& line : log.systemLines())
        EXPECT_TRUE(line.startsWith(QStringLiteral("PDF rendering failed: "))) << line.toStdString();
}

TEST(PdfDocument, AFullDiskFailsTheDocumentWithTheFilesError)
{
    // With and without the media-box pass, which reads the file back.
    for (const QRectF& box : {QRectF(18, 18, 200, 100), QRectF(0, 0, 200, 100)}) {
        PdfDocument document;
        add(document, {{box, {}}});
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
    std::shared_ptr<PdfPage> a = std::make_shared<PdfPage>(), b = std::make_shared<PdfPage>(),
                             c = std::make_shared<PdfPage>();
    {
        PdfDocument document;
        document.insertPage(a, 0);
        document.insertPage(b, 0);
        document.insertPage(c, 7); // past the end: appended
        document.insertPage(a, 0); // already in a document: ignored
        EXPECT_EQ(document.pageCount(), 3);
        EXPECT_EQ((std::vector<qsizetype>{a->index(), b->index(), c->index()}),
                  (std::vector<qsizetype>{1, 0, 2}));
        EXPECT_EQ(a->document(), &document);
        EXPECT_NE(PdfDocument().id(), document.id());
    }
    EXPECT_EQ(a->document(), nullptr);
    EXPECT_EQ(a->index(), -1);
}

TEST(GraphicsContext, PicturesAreDrawnUprightForEveryOrientation)
{
    // Which stored quarter (0 red, 1 green, 2 blue, 3 white) shows in the upright top left, top right, bottom
    // left and bottom right, for each orientation.
    const int shown[8][4] = {{0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1},
                             {0, 2, 1, 3}, {2, 0, 3, 1}, {3, 1, 2, 0}, {1, 3, 0, 2}};
    const std::array<int, 3> colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<std::pair<QRectF, Script>> pages;
    for (int orientation = 1; orientation <= 8; ++orientation)
        pages.push_back({QRectF(0, 0, 100, 100), [orientation](GraphicsContext& context) {
                             context.drawImage(corners(orientation), QRectF(0, 0, 100, 100));
                         }});
    const QByteArray pdf = render(pages);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QImage raster = RenderFixtures::rasterize(pdf, orientation);
        for (int quadrant = 0; quadrant < 4; ++quadrant)
            EXPECT_EQ(rgb(raster, 25 + 50 * (quadrant % 2), 25 + 50 * (quadrant / 2)),
                      colours[shown[orientation - 1][quadrant]])
                << "quadrant " << quadrant;
    }
}

TEST(GraphicsContext, TextIsSetLiterallyInItsColour)
{
    const QByteArray pdf =
        render({{QRectF(0, 0, 200, 100), [](GraphicsContext& context) {
                     context.drawText(QStringLiteral("<b>x.jpg"), QRectF(0, 0, 200, 18),
                                      {QStringLiteral("No Such Font Family"), 12, {0.82, 0.82, 0.82, 1}});
                 }}});
    const auto colors = PdfInspector(pdf).drawing(0).textColors;
    ASSERT_FALSE(colors.empty());
    EXPECT_NEAR(colors[0][0], 0.82, 1e-3);
    EXPECT_EQ(RenderFixtures::extractText(pdf).trimmed(), QStringLiteral("<b>x.jpg"));
}

TEST(GraphicsContext, PicturesAreDrawnWhenCompleteAndWithinWhatCairoHolds)
{
    const struct {
        int width, height, stride, bytes;
        bool drawable;
    } rows[] = {{32767, 1, 32767 * 4, 32767 * 4, true},
                {32768, 1, 32768 * 4, 32768 * 4, false},
                {1, 32767, 4, 32767 * 4, true},
                {1, 32768, 4, 32768 * 4, false},
                {2, 2, 8, 16, true},
                {2, 2, 8, 15, false},
                {2, 2, 7, 16, false},
                {0, 2, 8, 16, false}};
    for (const auto& row : rows) {
        PreparedImage image;
        image.width = row.width;
        image.height = row.height;
        image.stride = row.stride;
        image.pixels = QByteArray(row.bytes, 0);
        EXPECT_EQ(GraphicsContext::canDraw(image), row.drawable) << row.width << " × " << row.height;
    }
}

TEST(GraphicsContext, PicturesCairoCannotHoldAreLeftOutWithoutAnEmptyFigure)
{
    PreparedImage wide;
    wide.width = 40000;
    wide.height = 10;
    wide.stride = 160000; // no pixel bytes at all: inconsistent as well as too wide
    KestrelExtensions::LogCapture log;
    const PdfInspector inspector(render({{QRectF(0, 0, 400, 300), [&](GraphicsContext& context) {
                                              ContactSheetCell(369, 279, 12, true,
                                                               QStringLiteral("DejaVu Sans"), Color::black())
                                                  .drawImage(wide, context);
                                          }}}));
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
