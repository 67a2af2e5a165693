#include "ColorFixtures.h"
#include "ImageFixtures.h"
#include "PngFixtures.h"
#include "RuvedovUzedoz/Images/ColorProfile.h"
#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/ImageReader.h"
#include "RuvedovUzedoz/Images/JpegStructure.h"
#include "RuvedovUzedoz/Images/PictureFile.h"
#include "RuvedovUzedoz/Images/PngStructure.h"
#include "RuvedovUzedoz/Images/TargetSize.h"
#include "RuvedovUzedoz/Images/VipsConversion.h"
#include "support/LogCapture.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

using namespace RuvedovUzedoz;
using namespace ImageFixtures;
using KestrelExtensions::LogCapture;

namespace {

const QSizeF cellBox(369, 261);

// Compressed rows as they were before compression (and before the PNG filters, for a PNG's own rows).
QByteArray inflated(const PreparedImage& image)
{
    const qsizetype row =
        qsizetype(image.width) * image.deflatedComponents + (image.deflatedPredicted ? 1 : 0);
    QByteArray framed(4, Qt::Uninitialized); // the length header that qUncompress expects
    qToBigEndian(quint32(row * image.height), framed.data());
    const QByteArray rows = qUncompress(framed + image.deflated->readAll());
    return image.deflatedPredicted
               ? PngStructure::unfilteredRows(rows, image.width, image.height, image.deflatedComponents)
               : rows;
}

// The picture as the page will show it (a JPEG decoded as the PDF reader will).
QImage drawn(const PreparedImage& image)
{
    if (image.encoding == PreparedImage::Encoding::Jpeg)
        return QImage::fromData(image.jpeg);
    const bool pixels = image.encoding == PreparedImage::Encoding::Pixels;
    const QByteArray data = pixels ? image.pixels : inflated(image);
    const int line = pixels ? image.stride : image.width * image.deflatedComponents;
    if (data.size() < qsizetype(line) * image.height)
        return {};
    return QImage(reinterpret_cast<const uchar*>(data.constData()), image.width, image.height, line,
                  pixels                          ? QImage::Format_ARGB32_Premultiplied
                  : image.deflatedComponents == 1 ? QImage::Format_Grayscale8
                                                  : QImage::Format_RGB888)
        .copy();
}

// Whether two pictures have the same pixels, whatever their layout and the colour space they are tagged with.
bool samePixels(QImage a, QImage b)
{
    a.setColorSpace({});
    b.setColorSpace({});
    return !a.isNull() &&
           a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

// `data` as gzip writes it.
QByteArray gzipped(const QByteArray& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

} // namespace

// Compression off passes JPEGs on and decodes the rest losslessly; on, it scales, turns upright, re-encodes.
TEST(ImageReader, PreparesEachKindOfPictureAsThePageDrawsIt)
{
    using enum PreparedImage::Encoding;
    Folder folder;
    const ImageSettings off = passingThrough(), on = compressing(200), large = compressing();
    const auto cmyk = [&](const char* n, int w, int h) { return folder.jpeg(n, {w, h, 3, 0, false, true}); };
    const QByteArray drawing =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"300\"><rect "
        "width=\"400\" height=\"300\" fill=\"#00f\"/><circle cx=\"200\" cy=\"150\" r=\"100\" "
        "fill=\"red\"/></svg>";
    const QUrl heic = flatPicture(folder, "phone.heic", {60, 140, 90}, {});
    const QUrl ppm = folder.bytes("scan.ppm", "P6 3 2 255 " + QByteArray(18, 'd'));
    const QUrl landscape = folder.jpeg("landscape.jpg", {400, 300});
    const QUrl claimed = folder.jpegClaimingSize("huge.jpg", 20000, 20000);
    const auto at = [](double quality) { return ImageSettings{.quality = quality, .sizeMax = 200}; };
    const QUrl plainUrl = folder.jpeg("plain.jpg", {80, 50});
    const QByteArray adobe = Profiles::adobeRgb(), plain = readAll(plainUrl);
    const QByteArray adobeSegment("Adobe\x00\x64\x00\x00\x00\x00\x01", 12);
    const QByteArray coding = segment(0xEE, adobeSegment.leftJustified(253, ' ')) +
                              segment(0xEE, adobeSegment.leftJustified(254, ' '));
    const QUrl camera = folder.bytes("camera.jpg", withPrivateData(plain));
    const QUrl progressiveCamera =
        folder.bytes("p-camera.jpg", withPrivateData(readAll(folder.jpeg("p.jpg", {80, 50, 3, 0, true}))));
    const QUrl adobeCoded = folder.bytes("adobe.jpg", plain.left(2) + coding + plain.mid(2));
    const QUrl srgb = folder.save("srgb.jpg", picture(8, 8, 3, [](int, int, int) { return 90; }).get(),
                                  ".jpg[profile=srgb]");
    const QUrl adobeRgb = flatPicture(folder, "adobe-rgb.jpg", {60, 140, 90}, adobe);
    const struct Row {
        QUrl url;
        ImageSettings settings;
        PreparedImage::Encoding encoding;
        QSize size, source;        // as stored, before `orientation`; the file's own upright size
        int components;            // 4: with alpha
        int orientation;           // still to be applied by the placement
        Rgb middle = {-1, -1, -1}; // the colour drawn in the middle; not checked where negative
        QByteArray profile = {};   // the one passed on
    } rows[] = {
        {plainUrl, off, Jpeg, {80, 50}, {80, 50}, 3, 1},
        // Small enough as it is: passed on if coded at no better a quality than asked (the fixtures: 90).
        {plainUrl, at(0.9), Jpeg, {80, 50}, {80, 50}, 3, 1},
        {plainUrl, at(0.5), Jpeg, {80, 50}, {80, 50}, 3, 1},
        {folder.jpeg("grey.jpg", {80, 50, 1}), off, Jpeg, {80, 50}, {80, 50}, 1, 1},
        {folder.jpeg("orientation-5.jpg", {80, 50, 3, 5}), off, Jpeg, {80, 50}, {50, 80}, 3, 5},
        {folder.jpeg("orientation-8.jpg", {80, 50, 3, 8}), off, Jpeg, {80, 50}, {50, 80}, 3, 8},
        {landscape, on, Jpeg, {200, 150}, {400, 300}, 3, 1},
        {folder.jpeg("not-upscaled.jpg", {400, 300}), large, Jpeg, {400, 300}, {400, 300}, 3, 1},
        {srgb, off, Jpeg, {8, 8}, {8, 8}, 3, 1},
        {adobeRgb, off, Jpeg, {64, 48}, {64, 48}, 3, 1, {-1, -1, -1}, adobe},
        {camera, off, Jpeg, {80, 50}, {80, 50}, 3, 1},
        {progressiveCamera, off, Jpeg, {80, 50}, {80, 50}, 3, 1},
        {adobeCoded, off, Jpeg, {80, 50}, {80, 50}, 3, 1}, // Adobe segments (colour coding) stay
        {folder.jpeg("upright-5.jpg", {400, 300, 3, 5}), on, Jpeg, {150, 200}, {300, 400}, 3, 1},
        {folder.jpeg("grey-scaled.jpg", {400, 300, 1}), on, Jpeg, {200, 150}, {400, 300}, 1, 1},
        {cmyk("cmyk-scaled.jpg", 400, 300), on, Jpeg, {200, 150}, {400, 300}, 3, 1},
        {folder.jpeg("ends with a bracket [Q=1]", {400, 300}), on, Jpeg, {200, 150}, {400, 300}, 3, 1},
        // Premultiplied: half-transparent red.
        {folder.pngWithAlpha("alpha.png"), off, Pixels, {64, 48}, {64, 48}, 4, 1, {128, 0, 0}},
        // CMYK becomes sRGB; beyond cairo's 32767 pixels on a side once decoded, it is scaled to fit.
        {cmyk("cmyk.jpg", 64, 48), off, Deflated, {64, 48}, {64, 48}, 3, 1},
        {cmyk("strip.jpg", 40000, 8), off, Deflated, {32767, 7}, {40000, 8}, 3, 1},
        // Grey stays grey, the top rows first.
        {folder.twoToneGreyPng("grey.png"), off, Deflated, {40, 30}, {40, 30}, 1, 1, {50, 50, 50}},
        // Decoded in the decoder program, told by their content whatever their name.
        {folder.bytes("drawing.svg", drawing), off, Pixels, {400, 300}, {400, 300}, 4, 1, {255, 0, 0}},
        {folder.bytes("drawing.svgz", gzipped(drawing)),
         off,
         Pixels,
         {400, 300},
         {400, 300},
         4,
         1,
         {255, 0, 0}},
        {heic, off, Deflated, {64, 48}, {64, 48}, 3, 1, {60, 140, 90}},
        {ppm, off, Deflated, {3, 2}, {3, 2}, 3, 1, {100, 100, 100}},
        // 400 megapixels by its header, too many to decode whole (see the bad files), few once shrunk.
        {claimed, compressing(512), Jpeg, {512, 512}, {20000, 20000}, 3, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url.fileName().toStdString() + (row.settings.compress ? " compressing" : ""));
        LogCapture log;
        const auto image = ImageReader::prepare({row.url, cellBox}, row.settings);
        ASSERT_TRUE(image) << log.systemLines().join(" ").toStdString();
        EXPECT_TRUE(log.systemLines().isEmpty());
        EXPECT_EQ(image->encoding, row.encoding);
        EXPECT_EQ(QSize(image->width, image->height), row.size);
        EXPECT_EQ(image->sourceSize, row.source);
        EXPECT_EQ(image->orientation, row.orientation);
        EXPECT_EQ(image->uprightSize(), row.orientation >= 5 ? row.size.transposed() : row.size);
        const QRgb middle = drawn(*image).pixel(row.size.width() / 2, row.size.height() / 2);
        EXPECT_LE(std::max({std::abs(qRed(middle) - row.middle[0]), std::abs(qGreen(middle) - row.middle[1]),
                            std::abs(qBlue(middle) - row.middle[2])}),
                  row.middle[0] < 0 ? 255 : 8)
            << "the middle is " << std::hex << middle;
        EXPECT_EQ(image->jpeg.isEmpty(), row.encoding != Jpeg);
        EXPECT_EQ(image->pixels.isEmpty(), row.encoding != Pixels);
        for (const char* text : privateTexts)
            EXPECT_FALSE(image->jpeg.contains(text)) << text;
        EXPECT_FALSE(image->jpeg.contains(QByteArray("Exif\0\0", 6)));
        if (row.encoding == Jpeg) {
            const JpegStructure written = JpegStructure::read(image->jpeg);
            EXPECT_TRUE(written.canEmbedAsIs());
            EXPECT_EQ(QSize(written.width, written.height), row.size);
            EXPECT_EQ(written.components, row.components);
            EXPECT_EQ(image->jpegComponents, row.components);
            const int quality = jpegQuality(row.settings.quality);
            if (row.settings.compress && (row.size != row.source || quality < 90)) {
                EXPECT_EQ(written.estimatedQuality, quality) << "re-encoded";
            } else {
                EXPECT_EQ(scanData(image->jpeg), scanData(readAll(row.url)));
                EXPECT_TRUE(samePixels(drawn(*image), QImage::fromData(readAll(row.url))));
                EXPECT_EQ(written.iccProfile, row.profile);
                EXPECT_EQ(image->jpeg.contains(coding), readAll(row.url).contains(coding));
                const bool jfif = readAll(row.url).startsWith("\xFF\xD8\xFF\xE0"); // kept bare
                const QByteArray bare = QByteArray::fromHex("ffd8ffe000104a46494600010100004800480000");
                EXPECT_EQ(image->jpeg.startsWith(jfif ? bare : QByteArray("\xFF\xD8\xFF\xE0")), jfif);
            }
        } else if (row.encoding == Deflated) {
            EXPECT_EQ(image->deflatedComponents, row.components);
            EXPECT_EQ(inflated(*image).size(), row.size.width() * row.size.height() * row.components);
        }
    }
}

// With compression off, a PNG goes on with its own compressed rows only where the decoder would draw the
// same pixels from it; every other PNG is decoded as before, a damaged one as far as it goes.
TEST(ImageReader, APngPassesThroughOnlyWhereNothingWouldChangeItsPixels)
{
    using enum PreparedImage::Encoding;
    using namespace PngFixtures;
    Folder folder;
    const auto flat = [](qsizetype k) { return k % 3 == 0 ? 60 : k % 3 == 1 ? 140 : 90; };
    const QByteArray zlib = rowData(64, 48, 3, flat);
    const QByteArray plain = png(64, 48, 8, 2, zlib, 4);
    const QByteArray adobe = Profiles::adobeRgb();
    static Rgb inAdobe;
    inAdobe = fromSrgb(adobe, {60, 140, 90});
    const QByteArray adobeRows = rowData(64, 48, 3, [](qsizetype k) { return inAdobe[size_t(k % 3)]; });
    const QByteArray colourChunks = chunk("gAMA", QByteArray("\0\0\x86\xa0", 4)) +
                                    chunk("cHRM", QByteArray(32, '\x01')) +
                                    chunk("sRGB", QByteArray(1, '\0'));
    const QByteArray flat16 = rowData(64, 48, 6, [](qsizetype k) {
        return k % 6 < 2 ? 60 : k % 6 < 4 ? 140 : 90;
    });
    const Image picture = ImageFixtures::picture(64, 48, 3, [](int, int, int band) {
        return band == 0 ? 60 : band == 1 ? 140 : 90;
    });
    const struct Row {
        const char* name;
        QByteArray file;
        bool passes;
        PreparedImage::Encoding encoding = Deflated;
        QSize size = {64, 48};
        QByteArray profile = {}; // the one passed on
        Rgb middle = {60, 140, 90};
    } rows[] = {
        {"plain.png", plain, true},
        {"grey.png", readAll(folder.twoToneGreyPng("g.png")), true, Deflated, {40, 30}, {}, {50, 50, 50}},
        // The decoder leaves these chunks aside.
        {"gamma.png", withChunks(plain, colourChunks), true},
        {"upright.png", withChunks(plain, orientationChunk(1)), true},
        {"srgb-profile.png", readAll(folder.save("s.png", picture.get(), ".png[profile=srgb]")), true},
        {"adobe-rgb.png",
         png(64, 48, 8, 2, adobeRows, 1, profileChunk(adobe)),
         true,
         Deflated,
         {64, 48},
         adobe,
         inAdobe},
        {"turned.png", withChunks(plain, orientationChunk(6)), false, Deflated, {48, 64}},
        {"grey-with-rgb-profile.png",
         png(64, 48, 8, 0, rowData(64, 48, 1, flat), 1, profileChunk(adobe)),
         false,
         Deflated,
         {64, 48},
         {},
         {-1, -1, -1}},
        {"palette.png", readAll(folder.save("p.png", picture.get(), ".png[palette]")), false},
        {"16-bit.png", png(64, 48, 16, 2, flat16), false},
        {"interlaced.png", readAll(folder.save("i.png", picture.get(), ".png[interlace]")), false},
        {"alpha.png", readAll(folder.pngWithAlpha("a.png")), false, Pixels, {64, 48}, {}, {128, 0, 0}},
        {"transparent-black.png", withChunks(plain, chunk("tRNS", QByteArray(6, '\0'))), false, Pixels},
        {"damaged.png", withFlippedDataBit(plain), false, Deflated, {64, 48}, {}, {-1, -1, -1}},
        // Wider than cairo draws: scaled down.
        {"grey-wide.png",
         png(40000, 2, 8, 0, rowData(40000, 2, 1, flat)),
         false,
         Deflated,
         {32767, 2},
         {},
         {-1, -1, -1}},
        {"unreadable-profile.png",
         png(64, 48, 8, 2, zlib, 1, profileChunk(adobe.left(128) + QByteArray(400, 'x'))),
         false,
         Deflated,
         {64, 48},
         {},
         {-1, -1, -1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LogCapture log;
        const auto image =
            ImageReader::prepare({folder.bytes(row.name, row.file), cellBox}, passingThrough());
        ASSERT_TRUE(image) << log.systemLines().join(" ").toStdString();
        EXPECT_EQ(image->encoding, row.encoding);
        EXPECT_EQ(image->deflatedPredicted, row.passes);
        EXPECT_EQ(QSize(image->width, image->height), row.size);
        EXPECT_EQ(image->orientation, 1);
        EXPECT_EQ(image->deflatedProfile, row.profile);
        if (row.encoding == Deflated) {
            EXPECT_EQ(image->deflatedComponents, std::string_view(row.name).starts_with("grey") ? 1 : 3);
        }
        if (row.middle[0] >= 0) {
            const QRgb middle = drawn(*image).pixel(row.size.width() / 2, row.size.height() / 2);
            EXPECT_EQ(Rgb({qRed(middle), qGreen(middle), qBlue(middle)}), row.middle);
        }
        const bool damaged = std::string_view(row.name) == "damaged.png";
        EXPECT_EQ(log.systemLines(),
                  damaged ? QStringList{QStringLiteral(
                                "Image damaged.png is damaged; drawing the part that can be read")}
                          : QStringList());
    }
    // Its rows are the file's own, however they are cut into chunks, and only with compression off.
    const QUrl url = folder.bytes("again.png", plain);
    EXPECT_EQ(ImageReader::prepare({url, cellBox}, passingThrough())->deflated->readAll(), zlib);
    EXPECT_EQ(ImageReader::prepare({url, cellBox}, compressing())->encoding, Jpeg);
    const QByteArray noise =
        rowData(1000, 400, 3, [](qsizetype k) { return int(quint32(k * 2654435761u) >> 24); });
    for (const int pieces : {1, 3, 500}) {
        const QUrl large =
            folder.bytes(QStringLiteral("large-%1.png").arg(pieces), png(1000, 400, 8, 2, noise, pieces));
        EXPECT_EQ(ImageReader::prepare({large, cellBox}, passingThrough())->deflated->readAll(), noise)
            << pieces;
    }
}

TEST(ImageReader, BadFilesLogOneLineNamingTheFileAndTheReason)
{
    Folder folder;
    ASSERT_EQ(::mkdir(QFile::encodeName(folder.path("a-folder.jpg")).constData(), 0700), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.path("fifo.jpg")).constData(), 0600), 0);
    const QUrl huge = folder.bytes("huge.png", "x");
    ASSERT_EQ(::truncate(QFile::encodeName(huge.toLocalFile()).constData(), PictureFile::maximumSize + 1), 0);
    const auto halved = [&](const QString& name, const QUrl& whole) {
        return folder.bytes(name, readAll(whole).left(QFileInfo(whole.toLocalFile()).size() / 2));
    };
    std::minstd_rand random;
    const Image noise = picture(300, 200, 1, [&](int, int, int) { return int(random() % 256); });
    const struct Row {
        QUrl url;
        const char* reason; // none: drawn as damaged
        std::vector<ImageSettings> settings = {passingThrough(), compressing()};
    } rows[] = {
        {folder.bytes("zero-byte.jpg", {}), "the file is empty"},
        {folder.bytes("garbage-with-jpeg-start.jpg", "\xFF\xD8\xFF\xE0" + QByteArray(2000, 'x')), ""},
        {QUrl::fromLocalFile(folder.path("a-folder.jpg")), "it is a folder"},
        {QUrl::fromLocalFile(folder.path("fifo.jpg")), "it is not a regular file"},
        {QUrl("https://example.com/remote.jpg"), "it is not a local file"},
        {huge, "it is 1073741825 bytes long, more than the 1073741824 allowed"},
        {folder.bytes("document.png", "%PDF-1.4\n%%EOF\n"), "it is a PDF document, not a picture"},
        {folder.bytes("printout.png", "%!PS-Adobe-3.0\n"), "it is a PostScript document, not a picture"},
        {folder.bytes("matrix.png", "2 2\n1 2\n3 4\n"), "its content (text/plain) is not a picture"},
        // Compressed, only a drawing is a picture.
        {folder.bytes("notes.svgz", gzipped("just some text, not a drawing")),
         "its content (application/gzip) is not a picture"},
        {folder.bytes(
             "cut.svgz",
             gzipped("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"/>").left(12)),
         "its content (application/gzip) is not a picture"},
        // Only what is decoded at full size is limited in pixels: with compression the decoder shrinks it.
        {folder.jpegClaimingSize("huge.jpg", 16385, 16384),
         "it is 16385 × 16384 pixels, more than the 268435456 allowed",
         {passingThrough()}},
        // Reduced while read by a power of two, at most a step below the size asked for (here: none).
        {folder.jpegClaimingSize("wide.jpg", 20000, 20000),
         "it is 20000 × 20000 pixels, more than the 268435456 allowed",
         {{.resolution = 0, .sizeMax = 10000}}},
        {halved("truncated.jpg", folder.jpeg("whole.jpg", {320, 240})), nullptr},
        {halved("truncated.png", folder.save("whole.png", noise.get(), ".png")), nullptr},
    };
    for (const Row& row : rows) {
        for (const ImageSettings& settings : row.settings) {
            SCOPED_TRACE(row.url.fileName().toStdString() + (settings.compress ? " compressing" : ""));
            LogCapture log;
            EXPECT_EQ(ImageReader::prepare({row.url, cellBox}, settings).has_value(), !row.reason);
            ASSERT_EQ(log.systemLines().size(), 1);
            const QString line = log.systemLines().first();
            const QString expected =
                row.reason ? "Cannot read image " + row.url.fileName() + ": " + row.reason
                           : "Image " + row.url.fileName() + " is damaged; drawing the part that can be read";
            EXPECT_TRUE(line.startsWith(expected)) << line.toStdString();
            EXPECT_FALSE(line.endsWith(": ") || line.contains(u'\n')) << "one line, with a reason";
            EXPECT_EQ(VipsRuntime::takeError().toStdString(), "")
                << "no error left behind for the next picture";
        }
    }
    EXPECT_TRUE(ImageReader::prepare({folder.jpegClaimingSize("largest.jpg", 16384, 16384), cellBox},
                                     passingThrough()));
}

TEST(ColorProfile, TellsSrgbByItsMappingAndComponentsByItsHeader)
{
    Folder folder;
    const Image grey = picture(8, 8, 3, [](int, int, int) { return 90; });
    const QByteArray srgb =
        JpegStructure::read(readAll(folder.save("s.jpg", grey.get(), ".jpg[profile=srgb]"))).iccProfile;
    const auto as = [&](const char* space) { return srgb.left(16) + space + srgb.mid(20); };
    const QByteArray profiles[] = {
        srgb,           srgb.left(128), srgb.left(127),       as("GRAY"),
        as("CMYK"),     as("Lab "),     Profiles::adobeRgb(), Profiles::redGreenSwapped(),
        "not a profile"};
    QList<int> components, srgbs;
    for (const QByteArray& profile : profiles) {
        components << ColorProfile::components(profile);
        srgbs << ColorProfile::isSrgb(profile);
    }
    EXPECT_EQ(components, QList<int>({3, 3, 0, 1, 4, 0, 3, 3, 0}));
    EXPECT_EQ(srgbs, QList<int>({1, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// Grey, float and extra bands come out as 8-bit sRGB.
TEST(VipsConversion, CairoPixelsAreNativeWordsPremultipliedByAlpha)
{
    const std::tuple<std::vector<int>, quint32, bool> rows[] = {{{10, 20, 30}, 0xFF0A141E, false},
                                                                {{10, 20, 30}, 0xFF0A141E, true},
                                                                {{77}, 0xFF4D4D4D, false},
                                                                {{254, 100, 7, 128}, 0x807F3204, false},
                                                                {{10, 20, 30, 40, 50}, 0x28020305, false}};
    for (const auto& [bands, word, asFloat] : rows) {
        SCOPED_TRACE(std::to_string(bands.size()) + (asFloat ? " float" : ""));
        Image image =
            picture(2, 1, int(bands.size()), [&](int, int, int band) { return bands[size_t(band)]; });
        VipsImage* floats = nullptr;
        if (asFloat && vips_cast_float(image.get(), &floats, nullptr) == 0)
            image.reset(floats);
        QString error;
        const auto pixels = VipsConversion::toCairoPixels(image.get(), error);
        ASSERT_TRUE(pixels) << error.toStdString();
        const QByteArray words = QByteArray(reinterpret_cast<const char*>(&word), 4).repeated(2);
        EXPECT_EQ(std::tuple(pixels->stride, pixels->hasAlpha, pixels->pixels),
                  std::tuple(8, bands.size() >= 4, words));
    }
}

// Runs of every length 1-300 crossing rows and blocks, in no more bytes than zlib's run-only coding.
TEST(ImageReader, ANoisyLosslessPictureIsCompressedWhole)
{
    constexpr int width = 24000;
    std::mt19937 random(7);
    std::normal_distribution<double> normal(128, 20);
    QByteArray expected(qsizetype(width) * 50 * 3, Qt::Uninitialized);
    const qsizetype runsFrom = qsizetype(width) * 3 * 20;
    const qsizetype noiseFrom = qsizetype(width) * 3 * 35;
    for (qsizetype at = 0, run = 0; at < expected.size(); ++run) {
        const qsizetype length = at < runsFrom || at >= noiseFrom ? 1 : 1 + run % 300;
        const int value = at < runsFrom    ? int(random() & 0xFF)
                          : at < noiseFrom ? 77 + int(run % 2)
                                           : std::clamp(int(normal(random)), 0, 255);
        for (qsizetype end = std::min(at + length, expected.size()); at < end; ++at)
            expected[at] = char(value);
    }
    Folder folder;
    const Image noise = picture(width, 50, 3, [&](int x, int y, int band) {
        return uchar(expected[(qsizetype(y) * width + x) * 3 + band]);
    });
    // Interlaced, so that it is decoded and compressed here rather than passed through.
    const QUrl url = folder.save("noise.png", noise.get(), ".png[compression=1,interlace]");
    const auto image = ImageReader::prepare({url, cellBox}, passingThrough());
    ASSERT_TRUE(image);
    ASSERT_EQ(image->encoding, PreparedImage::Encoding::Deflated);
    EXPECT_GT(image->deflated->size(), 1 << 20);
    z_stream zlib{};
    ASSERT_EQ(deflateInit2(&zlib, 1, Z_DEFLATED, 15, 8, Z_RLE), Z_OK);
    QByteArray runOnly(qsizetype(deflateBound(&zlib, uLong(expected.size()))), Qt::Uninitialized);
    zlib.next_in = reinterpret_cast<Bytef*>(expected.data());
    zlib.avail_in = uInt(expected.size());
    zlib.next_out = reinterpret_cast<Bytef*>(runOnly.data());
    zlib.avail_out = uInt(runOnly.size());
    ASSERT_EQ(deflate(&zlib, Z_FINISH), Z_STREAM_END);
    EXPECT_LE(image->deflated->size(), qint64(zlib.total_out));
    deflateEnd(&zlib);
    EXPECT_TRUE(inflated(*image) == expected);

    // Rows of 258 bytes, flat after the first megabyte: whole blocks of one run length and their end, the
    // least a block codes (two codes of one bit).
    QByteArray narrow(86 * 3 * 5000, char(77));
    for (qsizetype at = 0; at < 86 * 3 * 4100; ++at)
        narrow[at] = char(random() & 0xFF);
    const Image flat = picture(86, 5000, 3, [&](int x, int y, int band) {
        return uchar(narrow[(qsizetype(y) * 86 + x) * 3 + band]);
    });
    const auto runs = ImageReader::prepare({folder.save("flat.png", flat.get(), ".png[interlace]"), cellBox},
                                           passingThrough());
    ASSERT_TRUE(runs);
    EXPECT_TRUE(inflated(*runs) == narrow);
}

// A phone's motion photo carries a video after the end marker (here a sparse 2 GB one).
TEST(ImageReader, AJpegIsReadOnlyUpToItsEndMarker)
{
    Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {.width = 80, .height = 50}));
    // Padded with fill bytes before a marker, so that the end marker straddles two reads.
    const QByteArray straddling =
        plain.left(2) + QByteArray((qsizetype(1) << 20) + 1 - plain.size(), char(0xFF)) + plain.mid(2);
    const QByteArray video = QByteArray("\0\0\0\x18", 4) + "ftypmp42\xFF\xD9";
    using Read = std::variant<QByteArray, QString>; // the bytes, or why they cannot be had
    const auto read = [&](const QByteArray& content, qint64 size) {
        const QByteArray path = QFile::encodeName(folder.bytes("motion.jpg", content).toLocalFile());
        EXPECT_EQ(::truncate(path.constData(), size), 0);
        return PictureFile::read(path);
    };
    for (const QByteArray& jpeg :
         {plain, straddling, plain.left(2) + segment(0xE1, "Exif \xFF\xD8\xFF\xD9") + plain.mid(2)})
        EXPECT_TRUE(read(jpeg + video, qint64(2) << 30) == Read(jpeg)) << jpeg.size();
    // Without an end marker, or with a damaged header, the file is read to its end.
    for (const QByteArray& whole : {plain.left(plain.size() * 2 / 3), "\xFF\xD8x\xFF\xD9" + video})
        EXPECT_TRUE(read(whole, whole.size()) == Read(whole));
    EXPECT_EQ(std::get<QString>(PictureFile::read(QFile::encodeName(folder.path("none")))),
              "the file does not exist");
}

// The kernel copies within a file system; a memory file takes the buffered path.
TEST(DeflatedRows, CopyToPutsEveryByteAtItsOffsetWithinAndAcrossFileSystems)
{
    DeflatedRows rows;
    ASSERT_TRUE(rows.isValid());
    QByteArray data;
    for (int i = 0; i < 3 << 20; ++i)
        data.append(char(i * 7 % 251));
    for (qsizetype at = 0; at < data.size(); at += 100'000)
        ASSERT_TRUE(rows.append(data.constData() + at, std::min<qsizetype>(100'000, data.size() - at)));
    QTemporaryFile disk;
    ASSERT_TRUE(disk.open());
    const int memory = memfd_create("rows", MFD_CLOEXEC);
    ASSERT_GE(memory, 0);
    for (const int fd : {disk.handle(), memory}) {
        ASSERT_TRUE(rows.copyTo(fd, 7));
        QByteArray back(data.size() + 7, Qt::Uninitialized);
        ASSERT_EQ(pread(fd, back.data(), size_t(back.size()), 0), back.size());
        EXPECT_TRUE(back == QByteArray(7, '\0') + data) << fd;
    }
    EXPECT_FALSE(DeflatedRows::copyBetween(disk.handle(), 7, memory, 0, data.size() + 1));
    close(memory);
}

// An editor or sync tool saving over a picture while a render reads it (the sanitizer run checks the reads).
TEST(ImageReader, FileRewrittenWhileReadIsAtWorstDamaged)
{
    Folder folder;
    const QByteArray whole = readAll(folder.jpeg("source.jpg", {.width = 600, .height = 400}));
    const QUrl url = folder.bytes("rewritten.jpg", whole);
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    std::atomic_bool done = false;
    std::thread writer([&] {
        // Truncated in place, then written back in pieces: readers see every length in between.
        for (int round = 0; !done.load(); ++round) {
            const int fd = ::open(path.constData(), O_WRONLY | O_TRUNC);
            const qsizetype piece = 1000 + (round % 7) * 3000;
            for (qsizetype at = 0; fd >= 0 && at < whole.size() && !done.load(); at += piece)
                EXPECT_GT(::write(fd, whole.constData() + at, size_t(std::min(piece, whole.size() - at))), 0);
            ::close(fd);
        }
    });
    for (int i = 0; i < 300; ++i)
        for (const ImageSettings& settings : {passingThrough(), compressing(200)}) {
            LogCapture log;
            if (const auto image = ImageReader::prepare({url, cellBox}, settings)) {
                EXPECT_EQ(image->sourceSize, QSize(600, 400));
                // A damaged read is drawn as far as it decodes, as pixels; a JPEG passed on is whole.
                if (image->encoding == PreparedImage::Encoding::Jpeg && !settings.compress) {
                    EXPECT_EQ(scanData(image->jpeg), scanData(whole));
                }
            } else {
                EXPECT_EQ(log.systemLines().size(), 1);
            }
        }
    done = true;
    writer.join();
}

// libvips keeps one error buffer for the whole process: pictures decoded at once, among them damaged ones
// whose decoders complain on the way, each keep the reason they are given when decoded alone.
TEST(ImageReader, PicturesDecodedAtOnceKeepTheirOwnReasons)
{
    Folder folder;
    std::minstd_rand random;
    const Image noise = picture(300, 200, 3, [&](int, int, int) { return int(random() % 256); });
    const auto saved = [&](const char* format) { return readAll(folder.save("whole", noise.get(), format)); };
    const auto scrambled = [](QByteArray bytes) {
        for (qsizetype i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
            bytes[i] = char(i * 7);
        return bytes;
    };
    const QByteArray gif = saved(".gif"), jpeg = saved(".jpg"), png = saved(".png"), webp = saved(".webp");
    const std::pair<QUrl, const char*> files[] = {
        {folder.bytes("scrambled.gif", scrambled(gif)), "gifload_buffer: "},
        {folder.bytes("no-frames.gif", gif.left(60)), "gifload_buffer: "},
        {folder.bytes("scrambled.tif", scrambled(saved(".tif[compression=deflate]"))), "ZIPDecode: "},
        {folder.bytes("half.webp", webp.left(webp.size() / 2)), "webp: "},
        {folder.bytes("head.jpg", jpeg.left(60)), "VipsJpeg: "},
        {folder.bytes("half.jpg", jpeg.left(jpeg.size() / 2)), nullptr}, // damaged: drawn in part
        {folder.bytes("half.png", png.left(png.size() / 2)), nullptr},
        {folder.bytes("half.gif", gif.left(gif.size() / 2)), nullptr},
    };
    const ImageSettings settings = compressing(200);
    std::map<QString, QString> alone;
    for (const auto& [url, decoder] : files) {
        LogCapture log;
        EXPECT_EQ(ImageReader::prepare({url, cellBox}, settings).has_value(), !decoder);
        ASSERT_EQ(log.systemLines().size(), 1);
        const QString line = log.systemLines()[0];
        const QString expected = decoder ? "Cannot read image " + url.fileName() + ": " + decoder
                                         : "Image " + url.fileName() + " is damaged";
        EXPECT_TRUE(line.startsWith(expected)) << line.toStdString();
        alone[url.fileName()] = line;
    }

    LogCapture log;
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            std::vector<QUrl> order;
            for (int round = 0; round < 8; ++round)
                for (const auto& file : files)
                    order.push_back(file.first);
            std::shuffle(order.begin(), order.end(), std::minstd_rand(t));
            for (const QUrl& url : order)
                ImageReader::prepare({url, cellBox}, settings);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const QStringList lines = log.systemLines();
    EXPECT_EQ(lines.size(), 6 * 8 * qsizetype(std::size(files)));
    qsizetype crossed = 0;
    for (const QString& line : lines) {
        const QString name =
            line.startsWith("Image ") ? line.section(' ', 1, 1) : line.section(u':', 0, 0).mid(18);
        if (alone[name] != line && ++crossed <= 5)
            ADD_FAILURE() << line.toStdString() << "\n  alone: " << alone[name].toStdString();
    }
    EXPECT_EQ(crossed, 0);
    EXPECT_EQ(VipsRuntime::takeError().toStdString(), "");
}
