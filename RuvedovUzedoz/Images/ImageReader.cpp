#include "ImageReader.h"

#include "JpegStructure.h"
#include "KestrelExtensions/Logging/Log.h"
#include "TargetSize.h"
#include "VipsConversion.h"
#include "VipsImageHandle.h"
#include "VipsRuntime.h"

#include <QFile>
#include <QFileInfo>
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

struct SourceRelease {
    void operator()(VipsSource* source) const { g_object_unref(source); }
};
using SourceHandle = std::unique_ptr<VipsSource, SourceRelease>;

// A file source takes the path literally, where vips would read a name ending in "[…]" as carrying load
// options.
SourceHandle openSource(const QString& path)
{
    return SourceHandle(vips_source_new_from_file(QFile::encodeName(path).constData()));
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

// A JPEG file checked before anything is decoded. Its bytes are kept only when they may go into the PDF
// as they are; a picture that is to be decoded is read again by the decoder, so that the whole file is not
// held in memory beside the decoder's own buffers.
struct JpegFile {
    QByteArray bytes; // empty unless `keepBytes` was asked for and the file can be embedded as it is
    JpegStructure structure;
};

// nullopt: the file is not a JPEG.
std::optional<std::variant<JpegFile, Failure>> readJpeg(const QString& path, bool keepBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Failure{QStringLiteral("it cannot be opened (%1)").arg(file.errorString())};
    }
    if (!file.peek(3).startsWith("\xFF\xD8\xFF")) {
        return std::nullopt;
    }
    JpegFile jpeg;
    if (uchar* mapped = keepBytes ? nullptr : file.map(0, file.size())) {
        jpeg.structure =
            JpegStructure::read(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size()));
        file.unmap(mapped);
    } else {
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return Failure{QStringLiteral("it cannot be read (%1)").arg(file.errorString())};
        }
        jpeg.structure = JpegStructure::read(bytes);
        if (keepBytes && jpeg.structure.canEmbedAsIs()) {
            jpeg.bytes = std::move(bytes);
        }
    }
    if (jpeg.structure.isJpeg && !jpeg.structure.complete) {
        return Failure{QStringLiteral("the JPEG data is truncated")};
    }
    return jpeg;
}

// The JPEG's own bytes, its stored size and its orientation; nothing decoded.
Result passThrough(JpegFile&& jpeg)
{
    // The header parse reads the EXIF orientation; the image data is not touched.
    VipsImageHandle header(vips_image_new_from_buffer(jpeg.bytes.constData(), size_t(jpeg.bytes.size()), "",
                                                      "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) {
        return vipsFailure(QStringLiteral("its header cannot be read"));
    }
    const int orientation = orientationOf(header.get());
    header.reset();
    if (auto refusal = refuseOversized(QSize(jpeg.structure.width, jpeg.structure.height))) {
        return *refusal;
    }
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Jpeg;
    result.width = jpeg.structure.width;
    result.height = jpeg.structure.height;
    result.orientation = orientation;
    result.jpegComponents = jpeg.structure.components;
    result.jpeg = std::move(jpeg.bytes);
    result.sourceSize = result.uprightSize();
    return result;
}

// Decodes from the bytes already in memory when there are some, otherwise from the file.
Result decode(const QString& path, const ImageRequest& request, const ImageSettings& settings)
{
    SourceHandle probeSource = openSource(path);
    if (!probeSource) {
        return vipsFailure(QStringLiteral("it cannot be opened"));
    }
    VipsImageHandle header(
        vips_image_new_from_source(probeSource.get(), "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) {
        return vipsFailure(QStringLiteral("it is not a picture that can be read"));
    }
    const QSize size = upright(header->Xsize, header->Ysize, orientationOf(header.get()));
    header.reset();
    probeSource.reset();
    if (auto refusal = refuseOversized(size)) {
        return *refusal;
    }
    int longest = decodedLongestSide(size);
    if (settings.compress) {
        longest = std::min(longest, targetLongestSide(size, request.box, settings));
    }

    VipsImage* thumbnail = nullptr;
    int status = 0;
    if (!path.endsWith(QLatin1Char(']'))) {
        // Loading by name reports damaged data that the stream loaders let pass.
        status = vips_thumbnail(QFile::encodeName(path).constData(), &thumbnail, longest, "height", longest,
                                "size", VIPS_SIZE_DOWN, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
    } else {
        SourceHandle source = openSource(path);
        if (!source) {
            return vipsFailure(QStringLiteral("it cannot be opened"));
        }
        status = vips_thumbnail_source(source.get(), &thumbnail, longest, "height", longest, "size",
                                       VIPS_SIZE_DOWN, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
    }
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
    const QString path = request.url.toLocalFile();
    const QFileInfo info(path);
    if (!info.exists()) {
        return Failure{QStringLiteral("the file does not exist")};
    }
    if (info.isDir()) {
        return Failure{QStringLiteral("it is a folder")};
    }
    if (!info.isFile()) {
        // A pipe or device would block the reader or never end.
        return Failure{QStringLiteral("it is not a regular file")};
    }
    if (info.size() == 0) {
        return Failure{QStringLiteral("the file is empty")};
    }
    if (!VipsRuntime::ensureStarted()) {
        return Failure{QStringLiteral("the image library cannot start")};
    }
    auto jpeg = readJpeg(path, !settings.compress);
    if (jpeg) {
        if (auto* failure = std::get_if<Failure>(&*jpeg)) {
            return *failure;
        }
        JpegFile& file = std::get<JpegFile>(*jpeg);
        if (!file.bytes.isEmpty()) {
            return passThrough(std::move(file));
        }
    }
    return decode(path, request, settings);
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
