#include "VipsConversion.h"

#include "VipsRuntime.h"

#include <cstring>

namespace RuvedovUzedoz {

namespace {

std::nullopt_t fail(QString& error, const QString& fallback)
{
    error = VipsRuntime::takeError();
    if (error.isEmpty()) {
        error = fallback;
    }
    return std::nullopt;
}

} // namespace

VipsImageHandle VipsConversion::normalised(VipsImage* input, bool keepGrey)
{
    g_object_ref(input);
    VipsImageHandle image(input);
    const VipsInterpretation kind = vips_image_guess_interpretation(image.get());
    const bool grey = kind == VIPS_INTERPRETATION_B_W || kind == VIPS_INTERPRETATION_GREY16;
    VipsImage* next = nullptr;
    if (grey && keepGrey) {
        if (kind != VIPS_INTERPRETATION_B_W || image->BandFmt != VIPS_FORMAT_UCHAR) {
            if (vips_colourspace(image.get(), &next, VIPS_INTERPRETATION_B_W, nullptr) != 0) {
                return nullptr;
            }
            image.reset(next);
        }
    } else if (kind != VIPS_INTERPRETATION_sRGB || image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_colourspace(image.get(), &next, VIPS_INTERPRETATION_sRGB, nullptr) != 0) {
            return nullptr;
        }
        image.reset(next);
    }
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_cast_uchar(image.get(), &next, nullptr) != 0) {
            return nullptr;
        }
        image.reset(next);
    }
    const int colour = image->Bands >= 3 ? 3 : 1;
    const int wanted = colour + (vips_image_hasalpha(image.get()) ? 1 : 0);
    if (image->Bands > wanted) {
        if (vips_extract_band(image.get(), &next, 0, "n", wanted, nullptr) != 0) {
            return nullptr;
        }
        image.reset(next);
    }
    return image;
}

// cairo's formats: RGB24 (x, r, g, b) or premultiplied ARGB32, one native-endian 32-bit word per pixel.
std::optional<PreparedImage> VipsConversion::toCairoPixels(VipsImage* decoded, QString& error)
{
    VipsImageHandle image = normalised(decoded, false);
    if (!image) {
        return fail(error, QStringLiteral("its colours cannot be converted"));
    }
    const int width = image->Xsize;
    const int height = image->Ysize;
    const int bands = image->Bands;
    size_t size = 0;
    auto* memory = static_cast<unsigned char*>(vips_image_write_to_memory(image.get(), &size));
    if (!memory) {
        return fail(error, QStringLiteral("it cannot be decoded"));
    }
    std::unique_ptr<unsigned char, decltype(&g_free)> owned(memory, &g_free);
    if (size != size_t(width) * height * bands || (bands != 3 && bands != 4)) {
        error = QStringLiteral("it decodes to an unexpected pixel layout");
        return std::nullopt;
    }
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Pixels;
    result.width = width;
    result.height = height;
    result.hasAlpha = bands == 4;
    result.stride = width * 4;
    result.sourceSize = QSize(width, height);
    result.pixels = QByteArray(qsizetype(result.stride) * height, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(result.pixels.data());
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = memory + i * bands;
        quint32 word;
        if (bands == 4) {
            const quint32 a = p[3];
            const auto premultiply = [a](quint32 c) { return (c * a + 127) / 255; };
            word = (a << 24) | (premultiply(p[0]) << 16) | (premultiply(p[1]) << 8) | premultiply(p[2]);
        } else {
            word = 0xFF000000u | (quint32(p[0]) << 16) | (quint32(p[1]) << 8) | p[2];
        }
        std::memcpy(out + i * 4, &word, 4);
    }
    return result;
}

} // namespace RuvedovUzedoz
