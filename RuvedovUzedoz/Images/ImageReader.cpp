#include "ImageReader.h"

#include "Cancellation.h"
#include "DecodeSize.h"
#include "DecoderProcess.h"
#include "JpegStructure.h"
#include "KestrelExtensions/Logging/Log.h"
#include "PictureFile.h"
#include "PictureFormat.h"
#include "TargetSize.h"
#include "VipsConversion.h"
#include "VipsImageHandle.h"
#include "VipsRuntime.h"

#include <QFile>
#include <algorithm>
#include <chrono>
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
    if (std::optional<QString> reason = oversizeReason(size)) {
        return Failure{*reason};
    }
    return std::nullopt;
}

// Stops a decode under way once its render is cancelled or it has run out of time. Called by libvips
// as pixels are computed; kills the image being computed, which fails the decode.
struct DecodeWatch {
    const Cancellation* cancellation;
    std::chrono::steady_clock::time_point deadline;
    bool cancelled = false;
    bool timedOut = false;

    void watch(VipsImage* image)
    {
        vips_image_set_progress(image, TRUE);
        g_signal_connect(image, "eval", G_CALLBACK(onEval), this);
    }

    // The reason for a failed decode when this watch stopped it.
    std::optional<Failure> reason() const
    {
        if (cancelled) {
            return Failure{cancelledReason()};
        }
        if (timedOut) {
            return Failure{QStringLiteral("its decoding took longer than %1 s")
                               .arg(ImageReader::decodeTimeLimit.count())};
        }
        return std::nullopt;
    }

    static QString cancelledReason() { return QStringLiteral("the render was cancelled"); }

private:
    static void onEval(VipsImage* image, VipsProgress*, void* data) noexcept
    {
        auto* self = static_cast<DecodeWatch*>(data);
        self->cancelled = self->cancelled || (self->cancellation && self->cancellation->isCancelled());
        self->timedOut = self->timedOut || std::chrono::steady_clock::now() > self->deadline;
        if (self->cancelled || self->timedOut) {
            vips_image_set_kill(image, TRUE);
        }
    }
};

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

// Turns a decoded picture into what the page draws. JPEG cannot carry transparency, so pictures with it
// stay lossless even when compressing.
Result prepared(VipsImage* decoded, const ImageSettings& settings, QSize sourceSize)
{
    Result result = settings.compress && !vips_image_hasalpha(decoded)
                        ? toJpeg(decoded, jpegQuality(settings.quality))
                        : toCairoPixels(decoded);
    if (auto* image = std::get_if<PreparedImage>(&result)) {
        image->sourceSize = sourceSize;
    }
    return result;
}

// Decodes the picture from its bytes in this process, at the size the page needs.
Result decode(const QByteArray& bytes, const ImageRequest& request, const ImageSettings& settings,
              DecodeWatch& watch)
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
    const int longest = decodeLongestSide(size, request.box, settings, false);

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
    watch.watch(image.get());
    Result result = prepared(image.get(), settings, size);
    if (std::holds_alternative<Failure>(result)) {
        if (auto stopped = watch.reason()) {
            return *stopped;
        }
    }
    return result;
}

// Decodes the picture in the decoder program and prepares what it gives back here.
Result decodeElsewhere(const QByteArray& loader, const QByteArray& bytes, const ImageRequest& request,
                       const ImageSettings& settings, const Cancellation* cancellation)
{
    std::variant<DecoderProcess::Raster, QString> decoded =
        DecoderProcess::decode(loader, bytes, request.box, settings, cancellation);
    if (auto* reason = std::get_if<QString>(&decoded)) {
        return Failure{*reason};
    }
    const DecoderProcess::Raster& raster = std::get<DecoderProcess::Raster>(decoded);
    VipsImageHandle memory(vips_image_new_from_memory(raster.pixels.constData(), size_t(raster.pixels.size()),
                                                      raster.width, raster.height, raster.bands,
                                                      VIPS_FORMAT_UCHAR));
    VipsImage* tagged = nullptr;
    if (!memory ||
        vips_copy(memory.get(), &tagged, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) != 0) {
        return vipsFailure(QStringLiteral("it cannot be decoded"));
    }
    VipsImageHandle image(tagged);
    return prepared(image.get(), settings, raster.sourceSize);
}

Result read(const ImageRequest& request, const ImageSettings& settings, const Cancellation* cancellation)
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
    const PictureFormat format = PictureFormat::of(bytes);
    if (format.decoder == PictureFormat::Decoder::None) {
        return Failure{format.refusal};
    }
    if (format.decoder == PictureFormat::Decoder::DecoderProgram) {
        return decodeElsewhere(format.loader, bytes, request, settings, cancellation);
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
    DecodeWatch watch{cancellation, std::chrono::steady_clock::now() + ImageReader::decodeTimeLimit};
    return decode(bytes, request, settings, watch);
}

} // namespace

std::optional<PreparedImage> ImageReader::prepare(const ImageRequest& request, const ImageSettings& settings,
                                                  const Cancellation* cancellation)
{
    if (cancellation && cancellation->isCancelled()) {
        return std::nullopt;
    }
    Result result = Failure{};
    try {
        result = read(request, settings, cancellation);
    } catch (const std::bad_alloc&) {
        result = Failure{QStringLiteral("there is not enough memory for it")};
    } catch (const std::exception& error) {
        result = Failure{QString::fromUtf8(error.what())};
    }
    if (auto* image = std::get_if<PreparedImage>(&result)) {
        return std::move(*image);
    }
    if (cancellation && cancellation->isCancelled()) {
        return std::nullopt; // the render says so once
    }
    KestrelExtensions::Log::system(QStringLiteral("Cannot read image %1: %2")
                                       .arg(request.url.fileName(), std::get<Failure>(result).reason));
    return std::nullopt;
}

} // namespace RuvedovUzedoz
