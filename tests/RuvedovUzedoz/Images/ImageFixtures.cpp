#include "ImageFixtures.h"

#include "RuvedovUzedoz/Images/VipsApi.h"

#include <QFile>
#include <gtest/gtest.h>

namespace ImageFixtures {

Image picture(int width, int height, int bands, const std::function<int(int, int, int)>& value)
{
    QByteArray pixels(qsizetype(width) * height * bands, Qt::Uninitialized);
    for (qsizetype i = 0; i < pixels.size(); ++i)
        pixels[i] = char(value(int(i / bands % width), int(i / bands / width), int(i % bands)));
    Image image(vips_image_new_from_memory_copy(pixels.constData(), size_t(pixels.size()), width, height,
                                                bands, VIPS_FORMAT_UCHAR),
                g_object_unref);
    image->Type = bands < 3 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB;
    return image;
}

QUrl Folder::save(const QString& name, _VipsImage* image, const char* format) const
{
    void* buffer = nullptr;
    size_t length = 0;
    EXPECT_EQ(vips_image_write_to_buffer(image, format, &buffer, &length, nullptr), 0) << vips_error_buffer();
    const QByteArray content(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    return bytes(name, content);
}

QUrl Folder::jpeg(const QString& name, const JpegOptions& options) const
{
    // A smooth gradient, so that the encoder has real content to work on.
    const int longest = std::max(options.width, options.height);
    Image image = picture(options.width, options.height, options.bands,
                          [&](int x, int y, int band) { return (band == 1 ? y : x) * 255 / longest; });
    if (options.cmyk) {
        VipsImage* cmyk = nullptr;
        EXPECT_EQ(vips_icc_export(image.get(), &cmyk, "output_profile", "cmyk", nullptr), 0);
        image.reset(cmyk);
    }
    if (options.orientation)
        vips_image_set_int(image.get(), VIPS_META_ORIENTATION, options.orientation);
    return save(name, image.get(), options.progressive ? ".jpg[Q=90,interlace]" : ".jpg[Q=90]");
}

QUrl Folder::pngWithAlpha(const QString& name, int width, int height) const
{
    const Image image = picture(width, height, 4, [&](int x, int, int band) {
        return band == 3 ? (x < width / 2 ? 255 : 128) : band == 0 ? 255 : 0;
    });
    return save(name, image.get(), ".png");
}

QUrl Folder::twoToneGreyPng(const QString& name) const
{
    return save(name, picture(40, 30, 1, [](int, int y, int) { return y < 15 ? 200 : 50; }).get(), ".png");
}

QUrl Folder::bytes(const QString& name, const QByteArray& content) const
{
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return QUrl::fromLocalFile(path(name));
}

QUrl Folder::jpegClaimingSize(const QString& name, int width, int height) const
{
    QByteArray data = readAll(jpeg(name));
    const qsizetype sof = data.indexOf(QByteArray("\xFF\xC0", 2));
    EXPECT_GT(sof, 0);
    for (int i = 0; i < 4; ++i) // big-endian height, then width
        data[sof + 5 + i] = char((i < 2 ? height : width) >> (i % 2 ? 0 : 8));
    return bytes(name, data);
}

QByteArray readAll(const QUrl& url)
{
    QFile file(url.toLocalFile());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << url.toLocalFile().toStdString();
    return file.readAll();
}

} // namespace ImageFixtures
