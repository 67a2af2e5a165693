// The decoder program: reads one picture of a format whose decoder is large third-party code (SVG, HEIF
// and AVIF, what ImageMagick reads) and answers with its pixels, so that a decoder that aborts, hangs or
// eats memory costs the engine that picture only. It limits its own processor time and address space.

#include "RuvedovUzedoz/Images/DecodeSize.h"
#include "RuvedovUzedoz/Images/DecoderProtocol.h"
#include "RuvedovUzedoz/Images/PictureFile.h"
#include "RuvedovUzedoz/Images/VipsApi.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace RuvedovUzedoz;
using DecoderProtocol::readFully;
using DecoderProtocol::Request;
using DecoderProtocol::Response;
using DecoderProtocol::writeFully;

namespace {

struct Unref {
    void operator()(VipsImage* image) const
    {
        if (image)
            g_object_unref(image);
    }
};
using Image = std::unique_ptr<VipsImage, Unref>;

int fail(const std::string& reason)
{
    Response response;
    response.length = reason.size();
    writeFully(1, &response, sizeof response);
    writeFully(1, reason.data(), reason.size());
    return 1;
}

int failVips(const char* fallback)
{
    std::string error = vips_error_buffer();
    vips_error_clear();
    if (const size_t newline = error.find('\n'); newline != std::string::npos)
        error.resize(newline);
    return fail(error.empty() ? fallback : error);
}

void limitSelf()
{
    const rlimit cpu{DecoderProtocol::cpuSeconds, DecoderProtocol::cpuSeconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer reserves terabytes of address space; its builds go without this limit.
    const rlimit memory{DecoderProtocol::addressSpaceBytes, DecoderProtocol::addressSpaceBytes};
    setrlimit(RLIMIT_AS, &memory);
#endif
}

// Only the one loader asked for may run, whatever the bytes turn out to be.
bool allowOnly(const char* loader)
{
    const char* type = std::strcmp(loader, "svg") == 0      ? "VipsForeignLoadSvg"
                       : std::strcmp(loader, "heif") == 0   ? "VipsForeignLoadHeif"
                       : std::strcmp(loader, "magick") == 0 ? "VipsForeignLoadMagick"
                                                            : nullptr;
    if (!type)
        return false;
    vips_operation_block_set("VipsForeignLoad", TRUE);
    vips_operation_block_set(type, FALSE);
    return true;
}

int orientationOf(VipsImage* image)
{
    int orientation = 1;
    if (vips_image_get_typeof(image, VIPS_META_ORIENTATION) &&
        vips_image_get_int(image, VIPS_META_ORIENTATION, &orientation) != 0)
        orientation = 1;
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// 8-bit sRGB with or without alpha, whatever the decoder gave.
Image toSrgb(Image image)
{
    VipsImage* out = nullptr;
    if (vips_image_get_typeof(image.get(), VIPS_META_ICC_NAME) &&
        vips_icc_transform(image.get(), &out, "srgb", "embedded", TRUE, "depth", 8, nullptr) == 0) {
        image.reset(out);
    } else {
        vips_error_clear();
    }
    if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr) != 0)
        return nullptr;
    image.reset(out);
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_cast_uchar(image.get(), &out, nullptr) != 0)
            return nullptr;
        image.reset(out);
    }
    if (image->Bands > 4) {
        if (vips_extract_band(image.get(), &out, 0, "n", 4, nullptr) != 0)
            return nullptr;
        image.reset(out);
    }
    return image;
}

} // namespace

int main()
{
    limitSelf();
    Request request;
    if (!readFully(0, &request, sizeof request) || std::memcmp(request.magic, Request().magic, 4) != 0 ||
        request.length == 0 || request.length > uint64_t(PictureFile::maximumSize))
        return fail("the decoder was given no picture");
    request.loader[sizeof request.loader - 1] = 0;
    std::string bytes(request.length, '\0');
    if (!readFully(0, bytes.data(), bytes.size()))
        return fail("the decoder was given no picture");

    if (vips_init("sheetwright-decoder") != 0)
        return fail("the image library cannot start");
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    vips_block_untrusted_set(TRUE);
    if (!allowOnly(request.loader))
        return fail("the decoder was asked for an unknown format");

    Image header(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", "access", VIPS_ACCESS_SEQUENTIAL,
                                            nullptr));
    if (!header)
        return failVips("it is not a picture that can be read");
    const bool vector = std::strcmp(request.loader, "svg") == 0;
    QSize size(header->Xsize, header->Ysize);
    if (orientationOf(header.get()) >= 5)
        size.transpose();
    // A picture with its own profile (phones write Display P3) is converted to sRGB through it.
    const bool hasProfile = vips_image_get_typeof(header.get(), VIPS_META_ICC_NAME) != 0;
    header.reset();
    if (!vector) {
        if (const std::optional<QString> reason = oversizeReason(size))
            return fail(reason->toStdString());
    }
    ImageSettings settings;
    settings.compress = request.compress != 0;
    settings.quality = request.quality;
    settings.scaleFactor = request.scaleFactor;
    settings.resolution = request.resolution;
    settings.sizeMax = request.sizeMax;
    settings.sizeMin = request.sizeMin;
    const int longest =
        decodeLongestSide(size, QSizeF(request.boxWidth, request.boxHeight), settings, vector);

    VipsImage* thumbnail = nullptr;
    // Without a profile the option list ends before "export_profile".
    const int status = vips_thumbnail_buffer(
        bytes.data(), bytes.size(), &thumbnail, longest, "height", longest, "size", VIPS_SIZE_DOWN,
        "option_string", "fail_on=truncated", hasProfile ? "export_profile" : nullptr, "srgb", nullptr);
    if (status != 0)
        return failVips("it cannot be decoded");
    Image image = toSrgb(Image(thumbnail));
    if (!image)
        return failVips("its colours cannot be converted");
    size_t length = 0;
    void* pixels = vips_image_write_to_memory(image.get(), &length);
    if (!pixels)
        return failVips("it cannot be decoded");

    Response response;
    response.ok = 1;
    response.width = image->Xsize;
    response.height = image->Ysize;
    response.bands = image->Bands;
    response.sourceWidth = size.width();
    response.sourceHeight = size.height();
    response.length = length;
    const bool written = writeFully(1, &response, sizeof response) && writeFully(1, pixels, length);
    g_free(pixels);
    return written ? 0 : 1;
}
