#include "ColorFixtures.h"
#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/ImageReader.h"
#include "RuvedovUzedoz/Images/JpegStructure.h"
#include "RuvedovUzedoz/Images/PictureFile.h"
#include "RuvedovUzedoz/Images/TargetSize.h"
#include "RuvedovUzedoz/Images/VipsApi.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace RuvedovUzedoz;
using ImageFixtures::compressing;
using ImageFixtures::passingThrough;
using ImageFixtures::readAll;
using ImageFixtures::Rgb;
using ImageFixtures::scanData;
using KestrelExtensions::LogCapture;

namespace {

const QSizeF cellBox(369, 261);

quint32 pixelWordAt(const PreparedImage& image, int x, int y)
{
    quint32 word;
    std::memcpy(&word, image.pixels.constData() + y * image.stride + x * 4, 4);
    return word;
}

// Compressed rows as they were before compression.
QByteArray inflated(const PreparedImage& image)
{
    const qsizetype length = qsizetype(image.width) * image.height * image.deflatedComponents;
    QByteArray framed(4, Qt::Uninitialized);
    qToBigEndian(quint32(length), framed.data()); // the length header that qUncompress expects
    return qUncompress(framed + image.deflated->readAll());
}

// The decoded pixels of a JPEG, as the PDF reader will see them.
QByteArray decodedPixels(const QByteArray& jpeg)
{
    VipsImage* image = vips_image_new_from_buffer(jpeg.constData(), size_t(jpeg.size()), "", nullptr);
    if (!image)
        return {};
    size_t size = 0;
    void* memory = vips_image_write_to_memory(image, &size);
    g_object_unref(image);
    QByteArray pixels(static_cast<const char*>(memory), qsizetype(size));
    g_free(memory);
    return pixels;
}

// The colour at the middle of a prepared picture, in sRGB as it will be drawn.
Rgb middleColour(const PreparedImage& image)
{
    if (image.encoding == PreparedImage::Encoding::Pixels) {
        const quint32 word = pixelWordAt(image, image.width / 2, image.height / 2);
        return {int((word >> 16) & 0xFF), int((word >> 8) & 0xFF), int(word & 0xFF)};
    }
    if (image.encoding == PreparedImage::Encoding::Deflated) {
        const QByteArray rows = inflated(image);
        const int n = image.deflatedComponents;
        const qsizetype at = (qsizetype(image.height / 2) * image.width + image.width / 2) * n;
        if (rows.size() < at + n)
            return {-1, -1, -1};
        return {uchar(rows[at]), uchar(rows[at + n / 2]), uchar(rows[at + n - 1])};
    }
    const QByteArray pixels = decodedPixels(image.jpeg);
    const qsizetype at = (qsizetype(image.height / 2) * image.width + image.width / 2) * 3;
    if (pixels.size() < at + 3)
        return {-1, -1, -1};
    return {uchar(pixels[at]), uchar(pixels[at + 1]), uchar(pixels[at + 2])};
}

void expectColourNear(Rgb actual, Rgb expected, const std::string& what, int tolerance = 4)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[c], expected[c], tolerance)
            << what << " channel " << c << ": " << actual[0] << "," << actual[1] << "," << actual[2];
}

} // namespace

TEST(ImageReader, WithoutCompressionPlainJpegsPassThroughWithTheirImageDataUntouched)
{
    ImageFixtures::Folder folder;
    struct Row {
        const char* name;
        ImageFixtures::JpegOptions options;
        int components;
        int orientation;
        QSize upright;
    } rows[] = {
        {"baseline.jpg", {.width = 80, .height = 50}, 3, 1, {80, 50}},
        {"grey.jpg", {.width = 80, .height = 50, .bands = 1}, 1, 1, {80, 50}},
        {"progressive.jpg", {.width = 80, .height = 50, .progressive = true}, 3, 1, {80, 50}},
        {"exif-orientation-6.jpg", {.width = 80, .height = 50, .orientation = 6}, 3, 6, {50, 80}},
        {"exif-orientation-8.jpg", {.width = 80, .height = 50, .orientation = 8}, 3, 8, {50, 80}},
        {"exif-orientation-3.jpg", {.width = 80, .height = 50, .orientation = 3}, 3, 3, {80, 50}},
    };
    for (const Row& row : rows) {
        const QUrl url = folder.jpeg(row.name, row.options);
        const auto image = ImageReader::prepare({url, cellBox}, passingThrough());
        ASSERT_TRUE(image) << row.name;
        EXPECT_EQ(image->encoding, PreparedImage::Encoding::Jpeg) << row.name;
        EXPECT_EQ(scanData(image->jpeg), scanData(readAll(url))) << row.name;
        EXPECT_EQ(decodedPixels(image->jpeg), decodedPixels(readAll(url))) << row.name;
        EXPECT_EQ(image->jpegComponents, row.components) << row.name;
        EXPECT_EQ(QSize(image->width, image->height), QSize(80, 50)) << row.name;
        EXPECT_EQ(image->orientation, row.orientation) << row.name;
        EXPECT_EQ(image->uprightSize(), row.upright) << row.name;
        EXPECT_EQ(image->sourceSize, row.upright) << row.name;
        EXPECT_TRUE(image->pixels.isEmpty()) << row.name;
    }
}

TEST(ImageReader, WithoutCompressionOtherPicturesAreDecodedLosslesslyAtFullSize)
{
    ImageFixtures::Folder folder;

    const auto png =
        ImageReader::prepare({folder.pngWithAlpha("alpha.png", 64, 48), cellBox}, passingThrough());
    ASSERT_TRUE(png);
    EXPECT_EQ(png->encoding, PreparedImage::Encoding::Pixels);
    EXPECT_EQ(QSize(png->width, png->height), QSize(64, 48));
    EXPECT_TRUE(png->hasAlpha);
    EXPECT_EQ(png->stride, 64 * 4);
    ASSERT_EQ(png->pixels.size(), 64 * 4 * 48);
    EXPECT_EQ(pixelWordAt(*png, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixelWordAt(*png, 63, 47), 0x80800000u) << "half-transparent red is premultiplied";

    // CMYK is never passed on as it is: it becomes opaque sRGB rows, compressed where they are prepared.
    const auto cmyk =
        ImageReader::prepare({folder.jpeg("cmyk.jpg", {.cmyk = true}), cellBox}, passingThrough());
    ASSERT_TRUE(cmyk);
    EXPECT_EQ(cmyk->encoding, PreparedImage::Encoding::Deflated);
    EXPECT_EQ(QSize(cmyk->width, cmyk->height), QSize(64, 48));
    EXPECT_EQ(cmyk->deflatedComponents, 3);
    EXPECT_EQ(inflated(*cmyk).size(), 64 * 48 * 3);
    EXPECT_TRUE(cmyk->pixels.isEmpty());
    // A long strip, beyond cairo's 32767 pixels on a side once decoded, is scaled to fit.
    const auto strip = ImageReader::prepare(
        {folder.jpeg("strip-cmyk.jpg", {.width = 40000, .height = 8, .cmyk = true}), cellBox},
        passingThrough());
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->encoding, PreparedImage::Encoding::Deflated);
    EXPECT_LE(strip->width, ImageReader::maximumDecodedSide);
    EXPECT_GE(strip->width, ImageReader::maximumDecodedSide - 1);

    // Opaque lossless pictures likewise, grey ones as grey: every row, top to bottom.
    const auto grey = ImageReader::prepare({folder.twoToneGreyPng("grey.png"), cellBox}, passingThrough());
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->encoding, PreparedImage::Encoding::Deflated);
    EXPECT_EQ(grey->deflatedComponents, 1);
    const QByteArray rows = inflated(*grey);
    ASSERT_EQ(rows.size(), 40 * 30);
    EXPECT_EQ(uchar(rows[0]), 200) << "the top rows first";
    EXPECT_EQ(uchar(rows[rows.size() - 1]), 50);
}

TEST(ImageReader, CompressionScalesTurnsUprightAndReencodes)
{
    ImageFixtures::Folder folder;
    struct Row {
        const char* name;
        ImageFixtures::JpegOptions options;
        double sizeMax;
        QSize expected;
        int components;
    } rows[] = {
        {"landscape.jpg", {.width = 400, .height = 300}, 200, {200, 150}, 3},
        {"not-upscaled.jpg", {.width = 400, .height = 300}, 2048, {400, 300}, 3},
        {"exif-orientation-6.jpg", {.width = 400, .height = 300, .orientation = 6}, 200, {150, 200}, 3},
        {"exif-orientation-8.jpg", {.width = 400, .height = 300, .orientation = 8}, 200, {150, 200}, 3},
        {"grey.jpg", {.width = 400, .height = 300, .bands = 1}, 200, {200, 150}, 1},
        {"cmyk.jpg", {.width = 400, .height = 300, .cmyk = true}, 200, {200, 150}, 3},
        // Brackets are load options to vips when they end a name; here they are part of it.
        {"bracketed [1].jpg", {.width = 400, .height = 300}, 200, {200, 150}, 3},
        {"ends with a bracket [Q=1]", {.width = 400, .height = 300}, 200, {200, 150}, 3},
    };
    for (const Row& row : rows) {
        const auto image =
            ImageReader::prepare({folder.jpeg(row.name, row.options), cellBox}, compressing(row.sizeMax));
        ASSERT_TRUE(image) << row.name;
        EXPECT_EQ(image->encoding, PreparedImage::Encoding::Jpeg) << row.name;
        EXPECT_EQ(image->orientation, 1) << row.name;
        EXPECT_EQ(QSize(image->width, image->height), row.expected) << row.name;
        EXPECT_EQ(image->sourceSize, row.options.orientation >= 5 ? QSize(300, 400) : QSize(400, 300))
            << row.name;
        const JpegStructure written = JpegStructure::read(image->jpeg);
        EXPECT_TRUE(written.canEmbedAsIs()) << row.name;
        EXPECT_EQ(written.components, row.components) << row.name;
        EXPECT_EQ(image->jpegComponents, row.components) << row.name;
        EXPECT_EQ(QSize(written.width, written.height), row.expected) << row.name;
    }
}

TEST(ImageReader, CompressionQualitySetsTheJpegsSize)
{
    ImageFixtures::Folder folder;
    const QUrl url = folder.jpeg("photo.jpg", {.width = 400, .height = 300});
    qsizetype previous = 0;
    for (const double quality : {0.1, 0.5, 0.9, 1.0}) {
        ImageSettings settings = compressing(200);
        settings.quality = quality;
        const auto image = ImageReader::prepare({url, cellBox}, settings);
        ASSERT_TRUE(image) << quality;
        EXPECT_GT(image->jpeg.size(), previous) << quality;
        EXPECT_EQ(JpegStructure::read(image->jpeg).estimatedQuality, jpegQuality(quality)) << quality;
        previous = image->jpeg.size();
    }
}

TEST(ImageReader, CompressionKeepsTransparencyLossless)
{
    ImageFixtures::Folder folder;
    const auto image =
        ImageReader::prepare({folder.pngWithAlpha("alpha.png", 400, 300), cellBox}, compressing(200));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->encoding, PreparedImage::Encoding::Pixels);
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(QSize(image->width, image->height), QSize(200, 150));
    EXPECT_EQ(image->sourceSize, QSize(400, 300));
    EXPECT_TRUE(image->jpeg.isEmpty());
    EXPECT_EQ(pixelWordAt(*image, 20, 75), 0xFFFF0000u);
    EXPECT_NEAR(int(pixelWordAt(*image, 180, 75) >> 24), 128, 1);
}

namespace {

QByteArray svg(int width, int height, const QByteArray& body)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + QByteArray::number(width) + "\" height=\"" +
           QByteArray::number(height) + "\">" + body + "</svg>";
}

// A convolution this large makes the SVG library abort the process that runs it.
QByteArray abortingSvg()
{
    QByteArray kernel;
    for (int i = 0; i < 21 * 21; ++i)
        kernel += i ? " 1" : "1";
    return svg(200, 200,
               "<filter id=\"f\"><feConvolveMatrix order=\"21\" kernelMatrix=\"" + kernel +
                   "\"/></filter><rect width=\"200\" height=\"200\" fill=\"red\" filter=\"url(#f)\"/>");
}

} // namespace

TEST(ImageReader, BadFilesLogOneLineNamingTheFileAndTheReason)
{
    ImageFixtures::Folder folder;
    ASSERT_TRUE(QDir().mkdir(folder.path("a-folder.jpg")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.path("fifo.jpg")).constData(), 0600), 0);
    struct Row {
        QUrl url;
        const char* reason;
    };
    const std::vector<Row> rows = {
        {folder.bytes("zero-byte.jpg", {}), "empty"},
        {folder.bytes("garbage.jpg", QByteArray(2000, 'x')), ""},
        {folder.bytes("garbage-with-jpeg-start.jpg",
                      QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(2000, 'x')),
         ""},
        {QUrl::fromLocalFile(folder.path("vanished.jpg")), "does not exist"},
        {QUrl::fromLocalFile(folder.path("a-folder.jpg")), "folder"},
        {QUrl::fromLocalFile(folder.path("fifo.jpg")), "not a regular file"},
        {QUrl("https://example.com/remote.jpg"), "not a local file"},
        // Told from the content, not the name: a document named like a picture is refused, and a
        // decoder that aborts does so in the decoder program, costing one picture.
        {folder.bytes("convolution.svg", abortingSvg()), "decoder stopped"},
        {folder.bytes("document.png", "%PDF-1.4\n1 0 obj<<>>endobj\ntrailer<<>>\n%%EOF\n"), "PDF document"},
        {folder.bytes("printout.png", "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 10 10\nshowpage\n"), "PostScript"},
        {folder.bytes("matrix.png", "2 2\n1 2\n3 4\n"), "not a picture"},
    };
    for (const ImageSettings& settings : {passingThrough(), compressing()}) {
        for (const Row& row : rows) {
            LogCapture log;
            const auto image = ImageReader::prepare({row.url, cellBox}, settings);
            const std::string what =
                row.url.toString().toStdString() + (settings.compress ? " compressing" : "");
            EXPECT_FALSE(image) << what;
            ASSERT_EQ(log.systemLines().size(), 1) << what;
            const QString line = log.systemLines().first();
            EXPECT_TRUE(line.startsWith("Cannot read image " + row.url.fileName() + ": "))
                << line.toStdString();
            EXPECT_TRUE(line.contains(QString::fromUtf8(row.reason))) << line.toStdString();
            EXPECT_GT(line.size(), QString("Cannot read image " + row.url.fileName() + ": ").size());
        }
    }
}

TEST(ImageReader, ANoisyLosslessPictureIsCompressedWhole)
{
    // Noise barely compresses: after the first megabyte the rows are coded as runs and literals only,
    // rows this wide outgrow the room left for each, and blocks that would not shrink are stored. Grey
    // rows: flat ones are runs (crossing rows and blocks), normal noise is coded, uniform noise stored.
    // Every byte must still come back, in order.
    constexpr int width = 24000;
    constexpr int height = 50;
    std::mt19937 random(7);
    std::normal_distribution<double> normal(128, 20);
    QByteArray expected(qsizetype(width) * height * 3, Qt::Uninitialized);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int value = y < 20   ? int(random() & 0xFF)
                              : y < 35 ? 77
                                       : std::clamp(int(normal(random)), 0, 255);
            std::fill_n(expected.begin() + (qsizetype(y) * width + x) * 3, 3, char(value));
        }
    }
    ImageFixtures::Folder folder;
    VipsImage* memory = vips_image_new_from_memory(expected.constData(), size_t(expected.size()), width,
                                                   height, 3, VIPS_FORMAT_UCHAR);
    VipsImage* srgb = nullptr;
    ASSERT_EQ(vips_copy(memory, &srgb, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr), 0);
    const QByteArray file = QFile::encodeName(folder.path(QStringLiteral("noise.png")));
    ASSERT_EQ(vips_pngsave(srgb, file.constData(), "compression", 1, nullptr), 0);
    g_object_unref(srgb);
    g_object_unref(memory);

    const auto image = ImageReader::prepare(
        {QUrl::fromLocalFile(folder.path(QStringLiteral("noise.png"))), cellBox}, passingThrough());
    ASSERT_TRUE(image);
    ASSERT_EQ(image->encoding, PreparedImage::Encoding::Deflated);
    EXPECT_GT(image->deflated->size(), 1 << 20);
    EXPECT_LT(image->deflated->size(), expected.size() * 3 / 4);
    EXPECT_TRUE(inflated(*image) == expected);
}

// An editor or sync tool saving over a picture while a render reads it: every read must give a whole
// picture or a damaged one with its log line, never a crash (run under the sanitizers too).
TEST(ImageReader, FileRewrittenWhileReadIsAtWorstDamaged)
{
    ImageFixtures::Folder folder;
    const QByteArray whole = readAll(folder.jpeg("source.jpg", {.width = 600, .height = 400}));
    const QUrl url = folder.bytes("rewritten.jpg", whole);
    const QByteArray path = QFile::encodeName(url.toLocalFile());

    std::atomic_bool done = false;
    std::thread writer([&] {
        for (int round = 0; !done.load(); ++round) {
            // Truncated in place, then written back in pieces: readers see every length in between.
            const int fd = ::open(path.constData(), O_WRONLY | O_TRUNC);
            if (fd < 0)
                continue;
            const qsizetype piece = 1000 + (round % 7) * 3000;
            for (qsizetype at = 0; at < whole.size() && !done.load(); at += piece)
                ASSERT_GT(::write(fd, whole.constData() + at, size_t(std::min(piece, whole.size() - at))), 0);
            ::close(fd);
        }
    });
    int whole_reads = 0;
    for (int i = 0; i < 300; ++i) {
        for (const ImageSettings& settings : {passingThrough(), compressing(200)}) {
            LogCapture log;
            const auto image = ImageReader::prepare({url, cellBox}, settings);
            if (image) {
                ++whole_reads;
                EXPECT_EQ(image->sourceSize, QSize(600, 400));
                if (image->encoding == PreparedImage::Encoding::Jpeg && !settings.compress) {
                    EXPECT_EQ(scanData(image->jpeg), scanData(whole))
                        << "a passed-on JPEG is the whole picture";
                }
            } else {
                EXPECT_EQ(log.systemLines().size(), 1);
            }
        }
    }
    done = true;
    writer.join();
    RecordProperty("whole_reads", whole_reads);
}

// A phone's motion photo carries a video after the picture's end marker (here a sparse 2 GB one). The
// picture is drawn, and only its own bytes are read: the video costs no memory and no size limit.
TEST(ImageReader, AJpegIsReadOnlyUpToItsEndMarker)
{
    ImageFixtures::Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {.width = 80, .height = 50}));
    // An end marker inside a comment before the scans ends nothing.
    const QByteArray commented = plain.left(2) + QByteArray("\xFF\xFE\x00\x04\xFF\xD9", 6) + plain.mid(2);
    // Padded so that the end marker straddles two reads.
    QByteArray straddling = plain.left(2);
    for (qsizetype left = (qsizetype(1) << 20) + 1 - plain.size(); left > 0;) {
        const qsizetype segment = left > 65537 ? (left - 65537 < 4 ? 60000 : 65537) : left;
        straddling += QByteArray("\xFF\xEF", 2) + char((segment - 2) >> 8) + char((segment - 2) & 0xFF) +
                      QByteArray(segment - 4, 'p');
        left -= segment;
    }
    straddling += plain.mid(2);
    ASSERT_EQ(straddling.size(), (qsizetype(1) << 20) + 1);
    int row = 0;
    for (const QByteArray& jpeg : {plain, commented, straddling}) {
        const QUrl url =
            folder.bytes(QString("motion-%1.jpg").arg(++row), jpeg + QByteArray("\0\0\0\x18"
                                                                                "ftypmp42\xFF\xD9",
                                                                                14));
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        ASSERT_EQ(::truncate(path.constData(), qint64(2) << 30), 0);
        const auto read = PictureFile::read(path);
        ASSERT_TRUE(std::holds_alternative<QByteArray>(read)) << std::get<QString>(read).toStdString();
        EXPECT_EQ(std::get<QByteArray>(read).size(), jpeg.size());
        EXPECT_TRUE(std::get<QByteArray>(read) == jpeg);
        for (const ImageSettings& settings : {passingThrough(), compressing()}) {
            const auto image = ImageReader::prepare({url, cellBox}, settings);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->sourceSize, QSize(80, 50));
        }
    }
    // Without an end marker the file is read to its end.
    const QByteArray cut = plain.left(plain.size() * 2 / 3);
    const QUrl truncated = folder.bytes("truncated.jpg", cut);
    const QByteArray path = QFile::encodeName(truncated.toLocalFile());
    EXPECT_TRUE(std::get<QByteArray>(PictureFile::read(path)) == cut);
}

// An SVG is read by its content whatever its name, in the decoder program.
TEST(ImageReader, DrawingsAreReadByTheirContent)
{
    ImageFixtures::Folder folder;
    const QByteArray drawing = svg(400, 300,
                                   "<rect width=\"400\" height=\"300\" fill=\"#00f\"/><circle cx=\"200\" "
                                   "cy=\"150\" r=\"100\" fill=\"red\"/>");
    for (const ImageSettings& settings : {passingThrough(), compressing()}) {
        for (const QUrl& url :
             {folder.bytes("drawing.svg", drawing), folder.bytes("drawing-named.png", drawing)}) {
            LogCapture log;
            const auto image = ImageReader::prepare({url, cellBox}, settings);
            const std::string what = url.fileName().toStdString() + (settings.compress ? " compressing" : "");
            ASSERT_TRUE(image) << what;
            EXPECT_EQ(image->sourceSize, QSize(400, 300)) << what;
            EXPECT_TRUE(log.systemLines().isEmpty()) << what;
            if (image->encoding == PreparedImage::Encoding::Pixels) {
                EXPECT_EQ(pixelWordAt(*image, image->width / 2, image->height / 2) & 0xFFFFFF, 0xFF0000u)
                    << what;
                EXPECT_EQ(pixelWordAt(*image, 2, 2) & 0xFFFFFF, 0x0000FFu) << what;
            }
        }
    }
}

// A vector picture is drawn at the size the cell shows, however large it says it is.
TEST(ImageReader, VectorPicturesAreRasterisedAtTheCellSize)
{
    ImageFixtures::Folder folder;
    const QUrl url = folder.bytes(
        "huge.svg", svg(16000, 16000,
                        "<filter id=\"f\"><feTurbulence baseFrequency=\"0.05\" numOctaves=\"8\"/>"
                        "<feGaussianBlur stdDeviation=\"50\"/></filter>"
                        "<rect width=\"16000\" height=\"16000\" filter=\"url(#f)\"/>"));
    const QSizeF box(100, 100);
    const auto image = ImageReader::prepare({url, box}, passingThrough());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->sourceSize, QSize(16000, 16000));
    // 100 points at 300 dpi.
    EXPECT_EQ(QSize(image->width, image->height), QSize(417, 417));
}

TEST(ImageReader, PrivateDataNeverLeavesWithThePicture)
{
    ImageFixtures::Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {.width = 80, .height = 50}));
    const QByteArray camera = ImageFixtures::withPrivateData(plain);
    const QByteArray progressive = ImageFixtures::withPrivateData(
        readAll(folder.jpeg("p.jpg", {.width = 80, .height = 50, .progressive = true})));
    const QUrl urls[] = {folder.bytes("camera.jpg", camera),
                         folder.bytes("progressive-camera.jpg", progressive)};
    // Compression off, and compression on with a picture small enough to go in as it is.
    for (const ImageSettings& settings : {passingThrough(), compressing()}) {
        for (const QUrl& url : urls) {
            const std::string what = url.fileName().toStdString() + (settings.compress ? " compressing" : "");
            const auto image = ImageReader::prepare({url, cellBox}, settings);
            ASSERT_TRUE(image) << what;
            ASSERT_EQ(image->encoding, PreparedImage::Encoding::Jpeg) << what;
            for (const char* text : ImageFixtures::privateTexts)
                EXPECT_FALSE(image->jpeg.contains(text)) << what << " " << text;
            EXPECT_FALSE(image->jpeg.contains(QByteArray("Exif\0\0", 6))) << what;
            EXPECT_TRUE(image->jpeg.endsWith("\xFF\xD9")) << what;
            EXPECT_EQ(scanData(image->jpeg), scanData(readAll(url))) << what;
            EXPECT_EQ(decodedPixels(image->jpeg), decodedPixels(readAll(url))) << what;
            EXPECT_EQ(QSize(image->width, image->height), QSize(80, 50)) << what;
        }
    }
    // The Adobe segment says how the colours are coded, so it stays.
    QByteArray adobe = plain;
    adobe.insert(2, QByteArray("\xFF\xEE\x00\x0E"
                               "Adobe\x00\x64\x00\x00\x00\x00\x01",
                               16));
    const auto kept = ImageReader::prepare({folder.bytes("adobe.jpg", adobe), cellBox}, passingThrough());
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->jpeg.contains(QByteArray("\xFF\xEE\x00\x0E"
                                               "Adobe",
                                               9)));
}

TEST(ImageReader, PicturesComeOutInTheColourTheirProfileMeans)
{
    ImageFixtures::Folder folder;
    const Rgb intended = {60, 140, 90};
    struct Row {
        const char* name;
        QByteArray profile;
    } rows[] = {
        {"untagged", {}},
        {"srgb", ImageFixtures::Profiles::srgb()},
        {"adobe-rgb", ImageFixtures::Profiles::adobeRgb()},
        {"display-p3", ImageFixtures::Profiles::displayP3()},
        {"red-green-swapped", ImageFixtures::Profiles::redGreenSwapped()},
    };
    for (const Row& row : rows) {
        const Rgb stored = row.profile.isEmpty() ? intended : ImageFixtures::fromSrgb(row.profile, intended);
        for (const char* format : {"jpg", "png"}) {
            const QString name = QString::fromUtf8(row.name) + "." + format;
            const QUrl url = ImageFixtures::flatPicture(folder, name, stored, row.profile);
            for (const ImageSettings& settings : {passingThrough(), compressing(32)}) {
                const std::string what = name.toStdString() + (settings.compress ? " compressing" : "");
                const auto image = ImageReader::prepare({url, cellBox}, settings);
                ASSERT_TRUE(image) << what;
                const bool passedThrough = !settings.compress && QLatin1String(format) == "jpg";
                if (!passedThrough) {
                    expectColourNear(middleColour(*image), intended, what);
                    continue;
                }
                // Passed through untouched: a profile other than sRGB goes with it for the PDF to apply.
                const JpegStructure structure = JpegStructure::read(image->jpeg);
                const bool foreign = QByteArray(row.name) != "untagged" && QByteArray(row.name) != "srgb";
                EXPECT_EQ(structure.iccProfile, foreign ? row.profile : QByteArray()) << what;
                EXPECT_EQ(scanData(image->jpeg), scanData(readAll(url))) << what;
            }
        }
    }
    const QUrl cmyk = ImageFixtures::cmykPicture(folder, "cmyk.jpg", intended);
    for (const ImageSettings& settings : {passingThrough(), compressing(32)}) {
        const auto image = ImageReader::prepare({cmyk, cellBox}, settings);
        ASSERT_TRUE(image);
        expectColourNear(middleColour(*image), intended, "cmyk", 6);
    }
}

TEST(ImageReader, DamagedPicturesAreDrawnAsFarAsTheyDecode)
{
    ImageFixtures::Folder folder;
    const QUrl rows[] = {folder.truncatedJpeg("truncated.jpg"), folder.truncatedPng("truncated.png")};
    for (const ImageSettings& settings : {passingThrough(), compressing()}) {
        for (const QUrl& url : rows) {
            const std::string what = url.fileName().toStdString() + (settings.compress ? " compressing" : "");
            LogCapture log;
            const auto image = ImageReader::prepare({url, cellBox}, settings);
            ASSERT_TRUE(image) << what;
            EXPECT_GT(image->width, 0) << what;
            EXPECT_EQ(log.systemLines(), QStringList{"Image " + url.fileName() +
                                                     " is damaged; drawing the part that can be read"})
                << what;
        }
    }
}

TEST(ImageReader, OnlyPicturesDecodedAtFullSizeAreLimitedInPixels)
{
    ImageFixtures::Folder folder;
    // 400 megapixels by its header: too many to decode whole, few once the decoder shrinks it.
    const QUrl huge = folder.jpegClaimingSize("huge.jpg", 20000, 20000);
    {
        LogCapture log;
        EXPECT_FALSE(ImageReader::prepare({huge, cellBox}, passingThrough()));
        ASSERT_EQ(log.systemLines().size(), 1);
        EXPECT_TRUE(log.systemLines().first().contains("20000 × 20000"))
            << log.systemLines().first().toStdString();
    }
    const auto shrunk = ImageReader::prepare({huge, cellBox}, compressing(512));
    ASSERT_TRUE(shrunk);
    EXPECT_EQ(QSize(shrunk->width, shrunk->height), QSize(512, 512));
    EXPECT_EQ(shrunk->sourceSize, QSize(20000, 20000));
}
