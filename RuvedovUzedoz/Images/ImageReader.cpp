#include "ImageReader.h"

#include "JpegStructure.h"
#include "KestrelExtensions/Logging/Log.h"
#include "PictureFile.h"
#include "TargetSize.h"
#include "VipsConversion.h"
#include "VipsImageHandle.h"
#include "VipsRuntime.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <variant>

namespace RuvedovUzedoz {

namespace {

// A failure carries the reason written in the log line.
struct Failure {
    QString reason;
};

using Result = std::variant<PreparedImage, Failure>;

Failure vipsFailure(const QString& fallback)
{
    const QString error = VipsRuntime::takeError();
    return Failure{error.isEmpty() ? fallback : error};
}

int orientationOf(VipsImage* image)
{
    int orientation = 1;
    if (vips_image_get_typeof(image, VIPS_META_ORIENTATION) &&
        vips_image_get_int(image, VIPS_META_ORIENTATION, &orientation) != 0) {
        orientation = 1;
    }
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

QSize upright(int width, int height, int orientation)
{
    return orientation >= 5 ? QSize(height, width) : QSize(width, height);
}

std::optional<Failure> refuseOversized(QSize size)
{
    if (qint64(size.width()) * size.height() > ImageReader::maximumPixels) {
        return Failure{QStringLiteral("it is %1 × %2 pixels, more than the %3 allowed")
                           .arg(size.width())
                           .arg(size.height())
                           .arg(ImageReader::maximumPixels)};
    }
    return std::nullopt;
}

// The longest side that keeps a decoded picture within the memory and cairo limits.
int decodedLongestSide(QSize size)
{
    const double longest = std::max(size.width(), size.height());
    const double pixels = double(size.width()) * size.height();
    const double t = std::min({1.0, ImageReader::maximumDecodedSide / longest,
                               std::sqrt(double(ImageReader::maximumDecodedPixels) / pixels)});
    return std::max(1, int(std::floor(longest * t)));
}

Result toCairoPixels(VipsImage* decoded)
{
    QString error;
    if (auto pixels = VipsConversion::toCairoPixels(decoded, error)) {
        return std::move(*pixels);
    }
    return Failure{error};
}

Result toJpeg(VipsImage* decoded, int quality)
{
    VipsImageHandle image = VipsConversion::normalised(decoded, true);
    if (!image) {
        return vipsFailure(QStringLiteral("its colours cannot be converted"));
    }
    void* buffer = nullptr;
    size_t length = 0;
    if (vips_jpegsave_buffer(image.get(), &buffer, &length, "Q", quality, "strip", TRUE, nullptr) != 0) {
        return vipsFailure(QStringLiteral("it cannot be decoded"));
    }
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Jpeg;
    result.width = image->Xsize;
    result.height = image->Ysize;
    result.jpegComponents = image->Bands == 1 ? 1 : 3;
    result.jpeg = QByteArray(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    return result;
}

// The structure of a JPEG file, or nullopt when the bytes are not a JPEG.
std::optional<std::variant<JpegStructure, Failure>> inspectJpeg(const QByteArray& bytes)
{
    if (!bytes.startsWith("\xFF\xD8\xFF")) {
        return std::nullopt;
    }
    JpegStructure structure = JpegStructure::read(bytes);
    if (structure.isJpeg && !structure.complete) {
        return Failure{QStringLiteral("the JPEG data is truncated")};
    }
    return structure;
}

// The JPEG's own bytes, its stored size and its orientation; nothing decoded.
Result passThrough(const QByteArray& bytes, const JpegStructure& structure)
{
    // The header parse reads the EXIF orientation; the image data is not touched.
    VipsImageHandle header(vips_image_new_from_buffer(bytes.constData(), size_t(bytes.size()), "", "access",
                                                      VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) {
        return vipsFailure(QStringLiteral("its header cannot be read"));
    }
    const int orientation = orientationOf(header.get());
    header.reset();
    if (auto refusal = refuseOversized(QSize(structure.width, structure.height))) {
        return *refusal;
    }
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Jpeg;
    result.width = structure.width;
    result.height = structure.height;
    result.orientation = orientation;
    result.jpegComponents = structure.components;
    result.jpeg = bytes;
    result.sourceSize = result.uprightSize();
    return result;
}

// Decodes the picture from its bytes, at the size the page needs.
Result decode(const QByteArray& bytes, const ImageRequest& request, const ImageSettings& settings)
{
    VipsImageHandle header(vips_image_new_from_buffer(bytes.constData(), size_t(bytes.size()), "", "access",
                                                      VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) {
        return vipsFailure(QStringLiteral("it is not a picture that can be read"));
    }
    const QSize size = upright(header->Xsize, header->Ysize, orientationOf(header.get()));
    header.reset();
    if (auto refusal = refuseOversized(size)) {
        return *refusal;
    }
    int longest = decodedLongestSide(size);
    if (settings.compress) {
        longest = std::min(longest, targetLongestSide(size, request.box, settings));
    }

    VipsImage* thumbnail = nullptr;
    // The thumbnail does not pass its own fail_on to a buffer loader; the load options do.
    const int status =
        vips_thumbnail_buffer(const_cast<char*>(bytes.constData()), size_t(bytes.size()), &thumbnail, longest,
                              "height", longest, "size", VIPS_SIZE_DOWN, "fail_on", VIPS_FAIL_ON_TRUNCATED,
                              "option_string", "fail_on=truncated", nullptr);
    if (status != 0) {
        return vipsFailure(QStringLiteral("it cannot be decoded"));
    }
    VipsImageHandle image(thumbnail);
    // JPEG cannot carry transparency, so pictures with it stay lossless even when compressing.
    Result result = settings.compress && !vips_image_hasalpha(image.get())
                        ? toJpeg(image.get(), jpegQuality(settings.quality))
                        : toCairoPixels(image.get());
    if (auto* prepared = std::get_if<PreparedImage>(&result)) {
        prepared->sourceSize = size;
    }
    return result;
}

Result read(const ImageRequest& request, const ImageSettings& settings)
{
    if (!request.url.isLocalFile()) {
        return Failure{QStringLiteral("it is not a local file")};
    }
    std::variant<QByteArray, QString> file = PictureFile::read(QFile::encodeName(request.url.toLocalFile()));
    if (auto* reason = std::get_if<QString>(&file)) {
        return Failure{*reason};
    }
    const QByteArray& bytes = std::get<QByteArray>(file);
    if (!VipsRuntime::ensureStarted()) {
        return Failure{QStringLiteral("the image library cannot start")};
    }
    if (auto jpeg = inspectJpeg(bytes)) {
        if (auto* failure = std::get_if<Failure>(&*jpeg)) {
            return *failure;
        }
        const JpegStructure& structure = std::get<JpegStructure>(*jpeg);
        if (!settings.compress && structure.canEmbedAsIs()) {
            return passThrough(bytes, structure);
        }
    }
    return decode(bytes, request, settings);
}

} // namespace

std::optional<PreparedImage> ImageReader::prepare(const ImageRequest& request, const ImageSettings& settings)
{
    Result result = Failure{};
    try {
        result = read(request, settings);
    } catch (const std::bad_alloc&) {
        result = Failure{QStringLiteral("there is not enough memory for it")};
    } catch (const std::exception& error) {
        result = Failure{QString::fromUtf8(error.what())};
    }
    if (auto* image = std::get_if<PreparedImage>(&result)) {
        return std::move(*image);
    }
    KestrelExtensions::Log::system(QStringLiteral("Cannot read image %1: %2")
                                       .arg(request.url.fileName(), std::get<Failure>(result).reason));
    return std::nullopt;
}

} // namespace RuvedovUzedoz
