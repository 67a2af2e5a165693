#include "../Images/ColorFixtures.h"
#include "../Images/ImageFixtures.h"
#include "../Images/PngFixtures.h"
#include "PdfInspector.h"
#include "RenderFixtures.h"
#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/ImageReader.h"
#include "RuvedovUzedoz/Images/PreparedImage.h"
#include "RuvedovUzedoz/Images/VipsApi.h"
#include "RuvedovUzedoz/Pdf/CairoHandles.h"
#include "RuvedovUzedoz/Pdf/GraphicsContext.h"
#include "RuvedovUzedoz/Pdf/ImageStreams.h"
#include "RuvedovUzedoz/Pdf/PdfDocument.h"
#include "RuvedovUzedoz/Pdf/PdfPage.h"
#include "RuvedovUzedoz/Pdf/PdfPostProcess.h"
#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"
#include "RuvedovUzedoz/Rendering/FontFamilies.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace RuvedovUzedoz;
using ImageFixtures::Folder;
using ImageFixtures::readAll;
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

std::shared_ptr<DeflatedRows> deflated(const QByteArray& rows)
{
    auto stored = std::make_shared<DeflatedRows>();
    const QByteArray zlib = qCompress(rows).mid(4); // without Qt's length prefix
    stored->append(zlib.constData(), zlib.size());
    return stored;
}

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

// An 8 × 4 grey picture stored in `encoding`.
PreparedImage picture(PreparedImage::Encoding encoding = PreparedImage::Encoding::Pixels, int orientation = 1)
{
    static const QByteArray jpeg = readAll(Folder().jpeg(QStringLiteral("p.jpg"), {.width = 8, .height = 4}));
    return {.encoding = encoding,
            .width = 8,
            .height = 4,
            .orientation = orientation,
            .jpeg = jpeg,
            .pixels = QByteArray(128, '\x7f'),
            .stride = 32,
            .deflated = deflated(QByteArray(96, '\x7f')),
            .sourceSize = {}};
}

} // namespace

// Also where pages cover themselves inside open tags, or leave state open.
TEST(PdfDocument, IsTaggedWithADocumentRootAroundAllPages)
{
    const Script figure = [](GraphicsContext& context) {
        context.beginTag(ContentTag::Figure);
        context.drawImage(picture(), QRectF(10, 10, 20, 20));
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
        context.drawImage(picture(), QRectF(0, 0, 100, 100));
        context.endTag();
    };
    const Script careless = [](GraphicsContext& context) {
        context.saveGState();
        EXPECT_TRUE(context.scaleBy(1e150, 1e150));
        EXPECT_FALSE(context.scaleBy(1e-170, 1e-170)); // whose product is no number, as cairo sees it
        context.beginTag(ContentTag::Figure);
        context.saveGState();
        EXPECT_FALSE(context.drawImage(picture(), QRectF(0, 0, -5, 10)));
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

// On a PDF it did not write itself: content in two streams, one or none; odd spacing; a long JPEG header.
TEST(PdfDocument, TheSecondPassAppendsBoxesAndProfilesAsAnIncrementalUpdate)
{
    Folder folder;
    const QByteArray adobe = ImageFixtures::Profiles::adobeRgb();
    QByteArray tagged =
        readAll(ImageFixtures::flatPicture(folder, QStringLiteral("a.jpg"), {1, 2, 3}, adobe));
    tagged.insert(2, ImageFixtures::segment(0xE1, QByteArray(20000, 'x')));
    const QByteArray plain = readAll(folder.jpeg(QStringLiteral("b.jpg")));
    const auto stream = [](const QByteArray& dictionary, const QByteArray& data, const char* eol = "\n") {
        return "<< " + dictionary + " /Length " + QByteArray::number(data.size()) + " >>\nstream" + eol +
               data + "\nendstream";
    };
    const QByteArray image = "/Subtype /Image /Width 64 /Height 48 /BitsPerComponent 8 /Filter /DCTDecode";
    const QByteArray page = "/Type /Page /Parent 2 0 R /MediaBox [0 0 40 30] ";
    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 13 0 R] /Count 5 >>",
        "<< " + page + "/Contents [7 0 R 8 0 R] /Resources << /XObject << /A 9 0 R /B 10 0 R /C 11 0 R " +
            "/D 12 0 R >> >> >>",
        "<< " + page + "/Contents 7 0 R >>",
        "<< " + page + ">>",
        "<< " + page + "/Contents 7 0 R >>",
        stream("", "1 2 3 4 re f"),
        stream("", "5 6 7 8 re f /A Do /B Do /C Do /D Do"),
        stream(image + " /ColorSpace\r\n /DeviceRGB", tagged, "\r\n"),
        stream(image + " /ColorSpace /DeviceRGB", tagged),
        stream(image + " /ColorSpace /DeviceGray", tagged),
        stream(image + " /ColorSpace /DeviceRGB", plain),
        "<< " + page + ">>"};
    QByteArray written = "%PDF-1.5\n", xref = "xref\n0 14\n0000000000 65535 f \n";
    for (int i = 0; i < 13; ++i) {
        xref += QByteArray::number(written.size()).rightJustified(10, '0') + " 00000 n \n";
        written += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray previous = QByteArray::number(written.size());
    written += xref + "trailer\n<< /Size 14 /Root 1 0 R >>\nstartxref\n" + previous + "\n%%EOF";
    // Each colour space named by the profile's: padded in place.
    QByteArray patched = written;
    for (int i = 0; i < 2; ++i)
        patched.replace(patched.indexOf("/DeviceRGB"), 10, "15 0 R    ");
    const std::vector<QRectF> boxes{QRectF(18, 18, 40, 30), QRectF(0, 7.5, 40, 30), QRectF(2.25, 0, 40, 30),
                                    QRectF(0, 0, 40, 30)};
    for (const QByteArray& original : {written, written + "\n"}) {
        SCOPED_TRACE(original.endsWith('\n') ? "ending in a newline" : "ending without");
        QByteArray pdf = original;
        ASSERT_TRUE(completePdf(pdf, boxes));
        QTemporaryFile file;
        ASSERT_TRUE(file.open() && file.write(original) == original.size() && completePdf(file, boxes) &&
                    file.flush());
        EXPECT_EQ(readAll(QUrl::fromLocalFile(file.fileName())), pdf);
        EXPECT_EQ(pdf.left(patched.size() + 1), patched + "\n");
        const qsizetype startxref = pdf.lastIndexOf("startxref\n");
        EXPECT_EQ(pdf.mid(pdf.mid(startxref + 10).split('\n')[0].toLongLong(), 5), "xref\n");
        EXPECT_TRUE(pdf.contains("/Size 19 /Root 1 0 R /Prev " + previous + " >>"));
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        EXPECT_EQ((std::vector<QRectF>{inspector.mediaBox(0), inspector.mediaBox(1), inspector.mediaBox(2),
                                       inspector.mediaBox(3), inspector.mediaBox(4)}),
                  (std::vector<QRectF>{boxes[0], boxes[1], boxes[2], boxes[3], QRectF(0, 0, 40, 30)}));
        const auto drawing = inspector.drawing(0);
        ASSERT_EQ(drawing.fills.size(), 2u);
        EXPECT_EQ(drawing.fills[0].rect, QRectF(1, 2, 3, 4));
        EXPECT_EQ(drawing.fills[1].rect, QRectF(5, 6, 7, 8));
        EXPECT_EQ(inspector.drawing(1).fills.at(0).rect, QRectF(1, 2, 3, 4));
        ASSERT_EQ(drawing.images.size(), 4u);
        for (int i : {0, 1}) {
            EXPECT_EQ(drawing.images[i].iccProfile, adobe);
            EXPECT_EQ(drawing.images[i].iccObject, 14);
        }
        EXPECT_EQ(drawing.images[2].colorSpace, QStringLiteral("/DeviceGray"));
        EXPECT_EQ(drawing.images[3].colorSpace, QStringLiteral("/DeviceRGB"));
    }

    KestrelExtensions::LogCapture log;
    QByteArray notAPdf("%PDF-1.5\nnot a PDF at all\n");
    EXPECT_FALSE(completePdf(notAPdf, {}));
    EXPECT_EQ(notAPdf, "%PDF-1.5\nnot a PDF at all\n");
    QTemporaryFile file;
    ASSERT_TRUE(file.open() && file.write(notAPdf) == notAPdf.size());
    EXPECT_FALSE(completePdf(file, {}));
    EXPECT_EQ(log.systemLines(), QStringList(2, QStringLiteral("PDF rendering failed: no startxref")));
}

// Rows compressed ahead stay in their own files up to a number of open files, and are copied aside beyond
// it: with the process allowed few more files than that, every picture of a long render still arrives.
TEST(PdfDocument, PicturesCompressedAheadArePlacedWhetherHeldInTheirFilesOrCopied)
{
    const int count = ImageStreams::maximumHeldFiles + 100;
    // Two pixels; the first tells the pictures apart.
    const auto rows = [](int i) {
        return QByteArray(1, char(i % 256)) + char(i / 256) + QByteArray("\7\10\11\12", 4);
    };
    const Script pictures = [count, rows](GraphicsContext& context) {
        for (int i = 0; i < count; ++i) {
            PreparedImage image = picture(PreparedImage::Encoding::Deflated);
            image.width = 2;
            image.height = 1;
            image.deflated = deflated(rows(i));
            EXPECT_TRUE(context.drawImage(image, QRectF(i % 20, i / 20, 1, 1)));
        }
    };
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    int open = 0;
    for (int fd = 0; fd < 4096; ++fd)
        open += fcntl(fd, F_GETFD) != -1;
    rlimit fewer = before;
    fewer.rlim_cur = std::min<rlim_t>(before.rlim_cur, rlim_t(open + ImageStreams::maximumHeldFiles + 40));
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &fewer), 0);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("sheet.pdf")));
    PdfDocument onDisk, inMemory;
    const bool written =
        file.open(QIODevice::ReadWrite) && add(onDisk, {{QRectF(0, 0, 20, 20), pictures}}).write(file);
    const QByteArray memory =
        add(inMemory, {{QRectF(0, 0, 20, 20), pictures}}).dataRepresentation().value_or(QByteArray());
    setrlimit(RLIMIT_NOFILE, &before);
    ASSERT_TRUE(written);
    file.close();
    for (const QByteArray& pdf : {readAll(QUrl::fromLocalFile(file.fileName())), memory}) {
        const PdfInspector inspector(pdf);
        ASSERT_TRUE(inspector.isValid());
        const auto images = inspector.drawing(0).images;
        ASSERT_EQ(images.size(), size_t(count));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(images[size_t(i)].decoded, rows(i)) << i;
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Hidden | QDir::Files),
              QStringList(QStringLiteral("sheet.pdf")));
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
        document.insertPage(nullptr, 0);
        EXPECT_EQ((std::vector<PdfPage*>{document.page(-1), document.page(0), document.page(1),
                                         document.page(2), document.page(3)}),
                  (std::vector<PdfPage*>{nullptr, b.get(), a.get(), c.get(), nullptr}));
        EXPECT_EQ((std::vector<qsizetype>{a->index(), b->index(), c->index(), document.index(PdfPage())}),
                  (std::vector<qsizetype>{1, 0, 2, -1}));
        EXPECT_EQ(a->description(), "<PdfPage: 0x" + QString::number(quintptr(a.get()), 16) + ">");
        EXPECT_EQ(a->document(), &document);
        EXPECT_NE(PdfDocument().id(), document.id());
    }
    EXPECT_EQ(a->document(), nullptr);
    EXPECT_EQ(a->index(), -1);
}

TEST(GraphicsContext, PicturesAreStretchedUprightOverTheirRectAndClippedToIt)
{
    // Which stored quarter (0 top left, 1 top right, 2 bottom left, 3 bottom right) shows upright in each
    // quarter, in the same order, for each orientation.
    const int shown[8][4] = {{0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1},
                             {0, 2, 1, 3}, {2, 0, 3, 1}, {3, 1, 2, 0}, {1, 3, 0, 2}};
    const QRectF rect(10, 20, 80, 60);
    std::vector<std::pair<QRectF, Script>> pages;
    for (const auto encoding :
         {PreparedImage::Encoding::Pixels, PreparedImage::Encoding::Jpeg, PreparedImage::Encoding::Deflated})
        for (int orientation = 1; orientation <= 8; ++orientation)
            pages.push_back({QRectF(0, 0, 100, 100), [=](GraphicsContext& context) {
                                 EXPECT_TRUE(context.drawImage(picture(encoding, orientation), rect));
                             }});
    const PdfInspector inspector(render(pages));
    for (int page = 0; page < 24; ++page) {
        SCOPED_TRACE(page);
        const auto images = inspector.drawing(page).images;
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].clip, rect);
        for (int quarter = 0; quarter < 4; ++quarter) {
            const int stored = shown[page % 8][quarter];
            const QPointF at = images[0].ctm.map(QPointF(0.25 + stored % 2 * 0.5, 0.75 - stored / 2 * 0.5));
            EXPECT_EQ(at, QPointF(30 + quarter % 2 * 40, 65 - quarter / 2 * 30)) << "quarter " << quarter;
        }
    }
}

TEST(GraphicsContext, RectanglesAreDrawnInPageSpaceWithTheStateInForce)
{
    const Script script = [](GraphicsContext& context) {
        context.stroke(QRectF(1, 2, 3, 4));
        context.setFillColor({1, 0, 0, 1});
        context.setStrokeColor({0, 0, 1, 1});
        context.saveGState();
        context.setFillColor({0, 1, 0, 1});
        context.setStrokeColor({0, 1, 0, 1});
        EXPECT_TRUE(context.translateBy(10, 20) && context.scaleBy(2, 2));
        EXPECT_FALSE(context.scaleBy(1e-200, 1e-200) || context.scaleBy(1, 0) || context.scaleBy(1, qInf()) ||
                     context.translateBy(0, qQNaN()));
        context.setLineWidth(0);
        context.stroke(QRectF(1, 1, 4, 5));
        context.setLineWidth(0.5);
        context.setLineWidth(-1);
        context.setLineWidth(qInf());
        context.fill(QRectF(1, 1, 4, 5));
        context.stroke(QRectF(1, 1, 4, 5));
        context.restoreGState();
        context.restoreGState();
        context.fill(QRectF(30, 40, 0, 5));
        context.fill(QRectF(30, 40, 50, 6));
        context.stroke(QRectF(30, 40, 50, 6));
    };
    const auto drawing = PdfInspector(render({{QRectF(0, 0, 200, 100), script}})).drawing(0);
    const auto described = [](const std::vector<PdfInspector::Rect>& drawn) {
        std::string lines;
        for (const auto& [rect, color, width] : drawn)
            lines += QString::asprintf("%g %g %g %g rgb %g %g %g w %g; ", rect.x(), rect.y(), rect.width(),
                                       rect.height(), color[0], color[1], color[2], width)
                         .toStdString();
        return lines;
    };
    // A line of no width draws nothing.
    EXPECT_EQ(described(drawing.strokes),
              "1 2 3 4 rgb 0 0 0 w 1; 12 22 8 10 rgb 0 1 0 w 1; 30 40 50 6 rgb 0 0 1 w 1; ");
    EXPECT_EQ(described(drawing.fills), "12 22 8 10 rgb 0 1 0 w 0; 30 40 50 6 rgb 1 0 0 w 0; ");
}

TEST(GraphicsContext, TextIsSetLiterallyInItsColourWhereItHasRoom)
{
    const QByteArray pdf =
        render({{QRectF(0, 0, 200, 100), [](GraphicsContext& context) {
                     context.drawText(QStringLiteral("<b>x.jpg"), QRectF(0, 0, 200, 18),
                                      {QStringLiteral("No Such Font"), 12, {0.82, 0.82, 0.82, 1}});
                     context.drawText(QStringLiteral("x"), QRectF(0, 0, 0, 18), {});
                     for (const double size : {0.0, -1.0, qQNaN()})
                         context.drawText(QStringLiteral("x"), QRectF(0, 0, 200, 18), {QString(), size, {}});
                 }}});
    const auto colors = PdfInspector(pdf).drawing(0).textColors;
    ASSERT_EQ(colors.size(), 1u);
    EXPECT_NEAR(colors[0][0], 0.82, 1e-3);
    EXPECT_EQ(RenderFixtures::extractText(pdf).trimmed(), QStringLiteral("<b>x.jpg"));
}

TEST(GraphicsContext, PicturesDrawnWithoutADocumentKeepEveryPixel)
{
    const quint32 colours[] = {0xFF0A141E, 0xFF28323C, 0xFF46505A, 0xFF646E78};
    const char rows[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 0, 0, 0, 0};
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 6, 2));
    {
        CairoContext cairo(cairo_create(surface.get()));
        GraphicsContext context(cairo.get(), QSizeF(6, 2));
        for (const auto& [components, x] : {std::pair{3, 0}, {1, 2}, {4, 4}}) {
            PreparedImage image = picture(components == 4 ? PreparedImage::Encoding::Pixels
                                                          : PreparedImage::Encoding::Deflated);
            image.width = image.height = 2;
            image.stride = 8;
            image.pixels = QByteArray(reinterpret_cast<const char*>(colours), 16);
            image.deflated = deflated(QByteArray(rows, 4 * components));
            image.deflatedComponents = components;
            EXPECT_TRUE(context.drawImage(image, QRectF(x, 0, 2, 2)));
        }
    }
    cairo_surface_flush(surface.get());
    const auto* pixels = reinterpret_cast<const quint32*>(cairo_image_surface_get_data(surface.get()));
    EXPECT_EQ(QList<quint32>(pixels, pixels + 6),
              (QList<quint32>{colours[0], colours[1], 0xFF0A0A0A, 0xFF141414, colours[0], colours[1]}));
    EXPECT_EQ(QList<quint32>(pixels + 6, pixels + 12),
              (QList<quint32>{colours[2], colours[3], 0xFF1E1E1E, 0xFF282828, colours[2], colours[3]}));
}

// A PNG's own rows drawn without a document: its filters undone, its colours read through its profile.
TEST(GraphicsContext, PngRowsDrawnWithoutADocumentAreUnfilteredAndConverted)
{
    using namespace ImageFixtures;
    Folder folder;
    const Image noise = picture(
        6, 2, 3, [](int x, int y, int band) { return (x * 71 + y * 130 + band * 40 + x * x * 9) % 256; });
    const QByteArray file = readAll(folder.save(QStringLiteral("n.png"), noise.get(), ".png[filter=all]"));
    const QByteArray adobe = Profiles::adobeRgb();
    const Rgb intended = {60, 140, 90};
    const Image flat =
        picture(6, 2, 3, [&](int, int, int band) { return fromSrgb(adobe, intended)[size_t(band)]; });
    vips_image_set_blob_copy(flat.get(), VIPS_META_ICC_NAME, adobe.constData(), size_t(adobe.size()));
    const ImageSettings off{.compress = false};
    const auto rows = ImageReader::prepare({folder.bytes(QStringLiteral("a.png"), file), {6, 2}}, off);
    const auto tagged =
        ImageReader::prepare({folder.save(QStringLiteral("b.png"), flat.get(), ".png"), {6, 2}}, off);
    ASSERT_TRUE(rows && tagged);
    ASSERT_TRUE(rows->deflatedPredicted && tagged->deflatedPredicted);
    ASSERT_EQ(tagged->deflatedProfile, adobe);
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 12, 2));
    {
        CairoContext cairo(cairo_create(surface.get()));
        GraphicsContext context(cairo.get(), QSizeF(12, 2));
        EXPECT_TRUE(context.drawImage(*rows, QRectF(0, 0, 6, 2)));
        EXPECT_TRUE(context.drawImage(*tagged, QRectF(6, 0, 6, 2)));
    }
    cairo_surface_flush(surface.get());
    const QByteArray expected = PngFixtures::decodedPixels(file);
    const auto* pixels = reinterpret_cast<const quint32*>(cairo_image_surface_get_data(surface.get()));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 12; ++x) {
            const quint32 pixel = pixels[y * 12 + x];
            const Rgb drawn = {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
            if (x < 6) {
                const auto* sample = reinterpret_cast<const uchar*>(expected.constData()) + (y * 6 + x) * 3;
                EXPECT_EQ(drawn, Rgb({sample[0], sample[1], sample[2]})) << x << ", " << y;
            } else {
                for (size_t c = 0; c < 3; ++c)
                    EXPECT_NEAR(drawn[c], intended[c], 2) << x << ", " << y;
            }
        }
    }
}

TEST(GraphicsContext, PicturesAreDrawnWhenCompleteAndWithinWhatCairoHolds)
{
    using enum PreparedImage::Encoding;
    const int m = 32768 * 4;
    const struct {
        PreparedImage::Encoding encoding;
        int width, height, stride, bytes, components;
        bool drawable;
    } rows[] = {{Pixels, 32767, 1, m, m, 3, true},    {Pixels, 32768, 1, m, m, 3, false},
                {Pixels, 1, 32767, 4, m, 3, true},    {Pixels, 1, 32768, 4, m, 3, false},
                {Pixels, 2, 2, 8, 16, 3, true},       {Pixels, 2, 2, 8, 15, 3, false},
                {Pixels, 2, 2, 7, 16, 3, false},      {Pixels, 0, 2, 8, 16, 3, false},
                {Pixels, 2, 0, 8, 16, 3, false},      {Jpeg, 2, 2, 0, 1, 3, true},
                {Jpeg, 2, 2, 0, 0, 3, false},         {Deflated, 32767, 32767, 0, 1, 3, true},
                {Deflated, 32768, 1, 0, 1, 3, false}, {Deflated, 1, 32768, 0, 1, 3, false},
                {Deflated, 2, 2, 0, 0, 3, false},     {Deflated, 2, 2, 0, 1, 1, true},
                {Deflated, 2, 2, 0, 1, 2, false},     {Deflated, 2, 2, 0, 1, 4, false}};
    for (const auto& row : rows) {
        const QByteArray bytes(row.bytes, 0);
        const PreparedImage image{.encoding = row.encoding,
                                  .width = row.width,
                                  .height = row.height,
                                  .jpeg = bytes,
                                  .pixels = bytes,
                                  .stride = row.stride,
                                  .deflated = row.bytes ? deflated("x") : nullptr,
                                  .deflatedComponents = row.components,
                                  .sourceSize = {}};
        EXPECT_EQ(GraphicsContext::canDraw(image), row.drawable)
            << int(row.encoding) << ": " << row.width << " × " << row.height << ", " << row.components;
    }
}

TEST(GraphicsContext, PicturesCairoCannotHoldAreLeftOutWithoutAnEmptyFigure)
{
    PreparedImage wide = picture();
    wide.width = 40000;
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
