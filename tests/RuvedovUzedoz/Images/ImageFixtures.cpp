#include "ImageFixtures.h"

#include "RuvedovUzedoz/Images/VipsApi.h"
#include "RuvedovUzedoz/Images/VipsRuntime.h"

#include <QFile>
#include <gtest/gtest.h>

namespace ImageFixtures {

namespace {

using Handle = std::unique_ptr<VipsImage, decltype(&g_object_unref)>;

Handle adopt(VipsImage* image)
{
    return Handle(image, &g_object_unref);
}

// A smooth gradient so that the JPEG encoder has real content to work on.
Handle gradient(int width, int height, int bands)
{
    VipsImage* x = nullptr;
    vips_xyz(&x, width, height, nullptr);
    Handle xy = adopt(x);
    VipsImage* scaled = nullptr;
    vips_linear1(xy.get(), &scaled, 255.0 / std::max(width, height), 0, "uchar", TRUE, nullptr);
    Handle two = adopt(scaled);
    VipsImage* first = nullptr;
    vips_extract_band(two.get(), &first, 0, nullptr);
    Handle grey = adopt(first);
    if (bands == 1) {
        VipsImage* copy = nullptr;
        vips_copy(grey.get(), &copy, "interpretation", VIPS_INTERPRETATION_B_W, nullptr);
        return adopt(copy);
    }
    VipsImage* joined = nullptr;
    VipsImage* parts[3] = {grey.get(), two.get(), grey.get()};
    VipsImage* second = nullptr;
    vips_extract_band(two.get(), &second, 1, nullptr);
    Handle secondHandle = adopt(second);
    parts[1] = second;
    vips_bandjoin(parts, &joined, 3, nullptr);
    VipsImage* copy = nullptr;
    vips_copy(joined, &copy, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    g_object_unref(joined);
    return adopt(copy);
}

} // namespace

Folder::Folder()
{
    RuvedovUzedoz::VipsRuntime::ensureStarted();
}

QString Folder::path(const QString& name) const
{
    return m_dir.filePath(name);
}

QUrl Folder::jpeg(const QString& name, const JpegOptions& options) const
{
    Handle image = gradient(options.width, options.height, options.bands);
    if (options.cmyk) {
        VipsImage* cmyk = nullptr;
        EXPECT_EQ(vips_icc_export(image.get(), &cmyk, "output_profile", "cmyk", nullptr), 0)
            << vips_error_buffer();
        image = adopt(cmyk);
    }
    if (options.orientation) {
        VipsImage* copy = nullptr;
        vips_copy(image.get(), &copy, nullptr);
        image = adopt(copy);
        vips_image_set_int(image.get(), VIPS_META_ORIENTATION, options.orientation);
    }
    const QByteArray file = QFile::encodeName(path(name));
    EXPECT_EQ(vips_jpegsave(image.get(), file.constData(), "Q", 90, "interlace",
                            options.progressive ? TRUE : FALSE, nullptr),
              0)
        << vips_error_buffer();
    return QUrl::fromLocalFile(path(name));
}

QUrl Folder::pngWithAlpha(const QString& name, int width, int height) const
{
    VipsImage* black = nullptr;
    vips_black(&black, width, height, "bands", 4, nullptr);
    Handle base = adopt(black);
    const double left[4] = {255, 0, 0, 255};
    const double right[4] = {255, 0, 0, 128};
    VipsImage* drawn = nullptr;
    vips_copy(base.get(), &drawn, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    Handle image = adopt(drawn);
    VipsImage* cast = nullptr;
    vips_cast_uchar(image.get(), &cast, nullptr);
    image = adopt(cast);
    vips_draw_rect(image.get(), const_cast<double*>(left), 4, 0, 0, width / 2, height, "fill", TRUE, nullptr);
    vips_draw_rect(image.get(), const_cast<double*>(right), 4, width / 2, 0, width - width / 2, height,
                   "fill", TRUE, nullptr);
    const QByteArray file = QFile::encodeName(path(name));
    EXPECT_EQ(vips_pngsave(image.get(), file.constData(), nullptr), 0) << vips_error_buffer();
    return QUrl::fromLocalFile(path(name));
}

QUrl Folder::twoToneGreyPng(const QString& name) const
{
    VipsImage* black = nullptr;
    vips_black(&black, 40, 30, nullptr);
    Handle base = adopt(black);
    VipsImage* grey = nullptr;
    vips_copy(base.get(), &grey, "interpretation", VIPS_INTERPRETATION_B_W, nullptr);
    Handle image = adopt(grey);
    VipsImage* cast = nullptr;
    vips_cast_uchar(image.get(), &cast, nullptr);
    image = adopt(cast);
    const double light[1] = {200};
    const double dark[1] = {50};
    vips_draw_rect(image.get(), const_cast<double*>(light), 1, 0, 0, 40, 15, "fill", TRUE, nullptr);
    vips_draw_rect(image.get(), const_cast<double*>(dark), 1, 0, 15, 40, 15, "fill", TRUE, nullptr);
    const QByteArray file = QFile::encodeName(path(name));
    EXPECT_EQ(vips_pngsave(image.get(), file.constData(), nullptr), 0) << vips_error_buffer();
    return QUrl::fromLocalFile(path(name));
}

QUrl Folder::bomb(const QString& name, int width, int height) const
{
    VipsImage* black = nullptr;
    vips_black(&black, width, height, "bands", 3, nullptr);
    Handle image = adopt(black);
    VipsImage* cast = nullptr;
    vips_cast_uchar(image.get(), &cast, nullptr);
    image = adopt(cast);
    const QByteArray file = QFile::encodeName(path(name));
    const int saved = name.endsWith(".webp")
                          ? vips_webpsave(image.get(), file.constData(), "lossless", TRUE, nullptr)
                          : vips_pngsave(image.get(), file.constData(), nullptr);
    EXPECT_EQ(saved, 0) << vips_error_buffer();
    return QUrl::fromLocalFile(path(name));
}

QUrl Folder::bytes(const QString& name, const QByteArray& content) const
{
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return QUrl::fromLocalFile(path(name));
}

QUrl Folder::truncatedJpeg(const QString& name) const
{
    const QByteArray whole = readAll(jpeg(name, {.width = 320, .height = 240}));
    return bytes(name, whole.left(whole.size() / 2));
}

QUrl Folder::truncatedPng(const QString& name) const
{
    VipsImage* noise = nullptr;
    vips_gaussnoise(&noise, 300, 200, nullptr);
    Handle image = adopt(noise);
    VipsImage* cast = nullptr;
    vips_cast_uchar(image.get(), &cast, nullptr);
    image = adopt(cast);
    void* buffer = nullptr;
    size_t length = 0;
    EXPECT_EQ(vips_pngsave_buffer(image.get(), &buffer, &length, nullptr), 0);
    const QByteArray whole(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    return bytes(name, whole.left(whole.size() / 2));
}

QUrl Folder::jpegClaimingSize(const QString& name, int width, int height) const
{
    QByteArray data = readAll(jpeg(name));
    const qsizetype sof = data.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    data[sof + 5] = char(height >> 8);
    data[sof + 6] = char(height & 0xFF);
    data[sof + 7] = char(width >> 8);
    data[sof + 8] = char(width & 0xFF);
    return bytes(name, data);
}

QByteArray readAll(const QUrl& url)
{
    QFile file(url.toLocalFile());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << url.toLocalFile().toStdString();
    return file.readAll();
}

RuvedovUzedoz::ImageSettings compressing(double sizeMax)
{
    RuvedovUzedoz::ImageSettings settings;
    settings.sizeMax = sizeMax;
    return settings;
}

RuvedovUzedoz::ImageSettings passingThrough()
{
    RuvedovUzedoz::ImageSettings settings;
    settings.compress = false;
    return settings;
}

} // namespace ImageFixtures
