#include "ImageReader.h"

#include "Cancellation.h"
#include "ColorProfile.h"
#include "DecodeBudget.h"
#include "DecodeSize.h"
#include "DecoderProcess.h"
#include "DeflatedRows.h"
#include "JpegStructure.h"
#include "KestrelExtensions/Logging/Log.h"
#include "PictureFile.h"
#include "PictureFormat.h"
#include "PixelDeflation.h"
#include "PngStructure.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "TargetSize.h"
#include "VipsConversion.h"
#include "VipsErrorScope.h"
#include "VipsImageHandle.h"
#include "VipsRuntime.h"

#include <QFile>
#include <QScopeGuard>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <malloc.h>
#include <new>
#include <variant>

namespace RuvedovUzedoz {

namespace {

// A failure carries the reason written in the log line, and whether libvips' error buffer gave it.
struct Failure {
    QString reason;
    bool fromLibrary = false;
};

using ReadResult = std::variant<PreparedImage, Failure>;

Failure vipsFailure(const QString& fallback)
{
    const QString error = VipsRuntime::takeError();
    return Failure{error.isEmpty() ? fallback : error, true};
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

// `shrinkOnLoad`: the factor by which the decoder reduces the picture while reading it; only what is
// decoded at full size is limited.
std::optional<Failure> refuseOversized(QSize size, int shrinkOnLoad = 1)
{
    if (std::optional<QString> reason = oversizeReason(size / shrinkOnLoad)) {
        return Failure{oversizeReason(size).value_or(*reason)};
    }
    return std::nullopt;
}

// The factor by which the JPEG decoder reduces a picture while reading it when it is to be stored at
// `target` pixels on its longest side. It stays a step below the full reduction, as the thumbnailer does,
// leaving some of the scaling to the resampler.
int jpegShrinkOnLoad(QSize size, int target)
{
    const double factor = double(std::max(size.width(), size.height())) / std::max(1, target);
    return factor >= 16 ? 8 : factor >= 8 ? 4 : factor >= 4 ? 2 : 1;
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

ReadResult toCairoPixels(VipsImage* decoded)
{
    QString error;
    if (auto pixels = VipsConversion::toCairoPixels(decoded, error)) {
        return std::move(*pixels);
    }
    return Failure{error, true};
}

// Lossless and opaque: compressed here, on the preparing thread, rather than by the page drawing.
ReadResult deflated(VipsImage* decoded)
{
    QString error;
    if (auto image = PixelDeflation::deflate(decoded, error)) {
        return std::move(*image);
    }
    return Failure{error, true};
}

ReadResult toJpeg(VipsImage* decoded, int quality)
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

// The EXIF orientation, read by the decoder from the header alone.
std::variant<int, Failure> headerOrientation(const QByteArray& bytes)
{
    VipsImageHandle header(vips_image_new_from_buffer(bytes.constData(), size_t(bytes.size()), "", "access",
                                                      VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) {
        return vipsFailure(QStringLiteral("its header cannot be read"));
    }
    return orientationOf(header.get());
}

// Whether a JPEG goes into the PDF as it is. Always with compression off; with it on, when the picture
// needs no scaling down and re-encoding would not make it smaller: always at the best quality, otherwise
// when the file is already coded at no better a quality than the one asked for.
bool passesThrough(const JpegStructure& structure, QSize upright, const ImageRequest& request,
                   const ImageSettings& settings)
{
    if (!structure.hasEmbeddableCoding()) {
        return false;
    }
    if (!settings.compress) {
        return true;
    }
    if (targetLongestSide(upright, request.box, settings) < std::max(upright.width(), upright.height())) {
        return false;
    }
    const int quality = jpegQuality(settings.quality);
    return quality == 100 || (structure.estimatedQuality > 0 && structure.estimatedQuality <= quality);
}

// The JPEG's own coded picture, its stored size and its orientation; nothing decoded. A profile other than
// sRGB travels with it, for the PDF to tag the image with.
ReadResult passThrough(const QByteArray& bytes, const JpegStructure& structure, int orientation)
{
    const QByteArray& profile = structure.iccProfile;
    const bool keepProfile = !profile.isEmpty() &&
                             ColorProfile::components(profile) == structure.components &&
                             !ColorProfile::isSrgb(profile);
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Jpeg;
    result.width = structure.width;
    result.height = structure.height;
    result.orientation = orientation;
    result.jpegComponents = structure.components;
    result.jpeg = structure.withoutPrivateSegments(bytes, keepProfile);
    result.sourceSize = result.uprightSize();
    if (result.jpeg.isEmpty()) {
        return Failure{QStringLiteral("its structure cannot be read")};
    }
    return result;
}

// A PNG's own compressed rows, as the PDF takes them, when nothing would change them on the way: compression
// off (so it is placed at the size it is stored at), within the decoded-size limits, intact, 8-bit grey or
// RGB, opaque, not interlaced, upright, and in sRGB or a profile that the PDF can tag it with. Any other
// PNG is decoded, a damaged one as far as it goes. gAMA, cHRM and sRGB chunks are left aside here as the
// decoder leaves them.
std::optional<ReadResult> pngPassThrough(const QByteArray& bytes, const ImageRequest& request,
                                         const ImageSettings& settings)
{
    if (settings.compress || !bytes.startsWith("\x89PNG\r\n\x1a\n")) {
        return std::nullopt;
    }
    const PngStructure png = PngStructure::read(bytes);
    if (!png.canEmbedAsIs()) {
        return std::nullopt;
    }
    const QSize size(png.width, png.height);
    if (decodeLongestSide(size, request.box, settings, false) < std::max(png.width, png.height)) {
        return std::nullopt;
    }
    // The decoder's reading of the EXIF chunk, so that what it would turn is never passed through.
    if (png.hasExif) {
        if (!VipsRuntime::ensureStarted()) {
            return std::nullopt;
        }
        const auto orientation = headerOrientation(bytes);
        if (!std::holds_alternative<int>(orientation) || std::get<int>(orientation) != 1) {
            return std::nullopt;
        }
    }
    QByteArray profile = png.iccProfile;
    if (!profile.isEmpty() && ColorProfile::isSrgb(profile)) {
        profile.clear();
    }
    if (!profile.isEmpty() &&
        (ColorProfile::components(profile) != png.components() || !ColorProfile::isReadable(profile))) {
        return std::nullopt;
    }
    if (auto refusal = refuseOversized(size)) {
        return *refusal;
    }
    auto rows = std::make_shared<DeflatedRows>();
    // The data chunks are often a few kilobytes each: written in larger pieces.
    QByteArray pending;
    pending.reserve(qsizetype(1) << 20);
    const auto keep = [&] {
        const bool kept = rows->append(pending.constData(), pending.size());
        pending.resize(0);
        return kept;
    };
    bool kept = rows->isValid();
    for (const auto& [offset, length] : png.imageData) {
        if (kept && pending.size() + length > pending.capacity()) {
            kept = keep();
        }
        if (kept && length > pending.capacity()) {
            kept = rows->append(bytes.constData() + offset, length);
        } else {
            pending.append(bytes.constData() + offset, length);
        }
    }
    if (!kept || !keep()) {
        return Failure{QStringLiteral("there is no room to keep it aside")};
    }
    PreparedImage result;
    result.encoding = PreparedImage::Encoding::Deflated;
    result.width = png.width;
    result.height = png.height;
    result.deflated = std::move(rows);
    result.deflatedComponents = png.components();
    result.deflatedPredicted = true;
    result.deflatedProfile = profile;
    result.sourceSize = size;
    return result;
}

// Turns a decoded picture into what the page draws. JPEG cannot carry transparency, so pictures with it
// stay lossless even when compressing.
ReadResult prepared(VipsImage* decoded, const ImageSettings& settings, QSize sourceSize)
{
    const bool opaque = !vips_image_hasalpha(decoded);
    ReadResult result = settings.compress && opaque ? toJpeg(decoded, jpegQuality(settings.quality))
                        : opaque                    ? deflated(decoded)
                                                    : toCairoPixels(decoded);
    if (auto* image = std::get_if<PreparedImage>(&result)) {
        image->sourceSize = sourceSize;
    }
    return result;
}

// The picture scaled on loading to `longest` pixels at most, converted to sRGB from its own profile when
// that is not sRGB (pictures without one are taken as sRGB).
VipsImageHandle thumbnail(const QByteArray& bytes, int longest, bool convertProfile, VipsFailOn failOn)
{
    // The thumbnail does not pass its own fail_on to a buffer loader; the load options do.
    const char* options = failOn == VIPS_FAIL_ON_NONE ? "fail_on=none" : "fail_on=truncated";
    VipsImage* out = nullptr;
    const int status =
        convertProfile
            ? vips_thumbnail_buffer(const_cast<char*>(bytes.constData()), size_t(bytes.size()), &out, longest,
                                    "height", longest, "size", VIPS_SIZE_DOWN, "fail_on", failOn,
                                    "option_string", options, "export_profile", "srgb", nullptr)
            : vips_thumbnail_buffer(const_cast<char*>(bytes.constData()), size_t(bytes.size()), &out, longest,
                                    "height", longest, "size", VIPS_SIZE_DOWN, "fail_on", failOn,
                                    "option_string", options, nullptr);
    return VipsImageHandle(status == 0 ? out : nullptr);
}

// A decode this large leaves behind buffers worth giving back at once, since the next picture may be as
// large.
constexpr qint64 largeDecode = qint64(64) << 20;

// Gives the memory that decoding freed back to the system: libvips keeps its buffers on the thread that
// used them, and the allocator keeps freed blocks below its mapping threshold for reuse.
void releaseFreedMemory()
{
    vips_thread_shutdown();
    malloc_trim(0);
}

// Decodes the picture from its bytes in this process, at the size the page needs, converted to sRGB
// through its own profile when that is not sRGB. A damaged picture is drawn as far as it decodes.
ReadResult decode(const QByteArray& bytes, const ImageRequest& request, const ImageSettings& settings,
                  DecodeWatch& watch, ImageReader::BudgetClaim* claim)
{
    VipsImageHandle header(vips_image_new_from_buffer(bytes.constData(), size_t(bytes.size()), "", "access",
                                                      VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) {
        return vipsFailure(QStringLiteral("it is not a picture that can be read"));
    }
    const QSize size = upright(header->Xsize, header->Ysize, orientationOf(header.get()));
    const void* profileData = nullptr;
    size_t profileLength = 0;
    const bool convertProfile =
        vips_image_get_typeof(header.get(), VIPS_META_ICC_NAME) &&
        vips_image_get_blob(header.get(), VIPS_META_ICC_NAME, &profileData, &profileLength) == 0 &&
        !ColorProfile::isSrgb(
            QByteArray::fromRawData(static_cast<const char*>(profileData), qsizetype(profileLength)));
    header.reset();
    const int longest = decodeLongestSide(size, request.box, settings, false);
    // A JPEG that is scaled down is reduced while it is read.
    const bool jpeg = bytes.startsWith("\xFF\xD8\xFF");
    if (auto refusal =
            refuseOversized(size, settings.compress && jpeg ? jpegShrinkOnLoad(size, longest) : 1)) {
        return *refusal;
    }
    // The decoded pixels take their share of the budget while they are made. The WebP loader decodes the
    // whole picture at once, into RGBA beside the decoder's own buffer of about the same size.
    const double scale = double(longest) / std::max(size.width(), size.height());
    const bool webp = bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP";
    const qint64 decodedBytes = qint64(std::ceil(size.width() * scale)) *
                                qint64(std::ceil(size.height() * scale)) * 4 * (webp ? 2 : 1);
    const bool started = [&] {
        const VipsErrorScope::Pause waiting;
        return !claim || (claim->mayExceed ? DecodeBudget::startDecodeFirst(decodedBytes, watch.cancellation)
                                           : DecodeBudget::tryStartDecode(decodedBytes));
    }();
    if (!started) {
        if (!claim->mayExceed) {
            claim->deferred = true;
        }
        return Failure{QStringLiteral("its decoded pixels do not fit the memory budget")};
    }
    const auto endDecode = qScopeGuard([&] {
        if (decodedBytes >= largeDecode) {
            releaseFreedMemory();
        }
        if (claim) {
            DecodeBudget::endDecode(decodedBytes);
        }
    });

    const auto attempt = [&](VipsFailOn failOn) -> ReadResult {
        VipsImageHandle image = thumbnail(bytes, longest, convertProfile, failOn);
        if (!image) {
            return vipsFailure(QStringLiteral("it cannot be decoded"));
        }
        watch.watch(image.get());
        ReadResult result = prepared(image.get(), settings, size);
        // A decode that got through damage leaves complaints that would pass for the next failure's reason.
        if (std::holds_alternative<PreparedImage>(result))
            VipsRuntime::takeError();
        return result;
    };
    ReadResult whole = attempt(VIPS_FAIL_ON_TRUNCATED);
    if (std::holds_alternative<PreparedImage>(whole)) {
        return whole;
    }
    if (auto stopped = watch.reason()) {
        return *stopped;
    }
    VipsRuntime::takeError();
    ReadResult partial = attempt(VIPS_FAIL_ON_NONE);
    if (std::holds_alternative<PreparedImage>(partial)) {
        KestrelExtensions::Log::system(
            QStringLiteral("Image %1 is damaged; drawing the part that can be read")
                .arg(LocalPath::displayName(request.url)));
    } else if (auto stopped = watch.reason()) {
        return *stopped;
    }
    return partial;
}

// Decodes the picture in the decoder program and prepares what it gives back here.
ReadResult decodeElsewhere(const QByteArray& loader, const QByteArray& bytes, const ImageRequest& request,
                           const ImageSettings& settings, const Cancellation* cancellation)
{
    std::variant<DecoderProcess::Raster, QString> decoded = [&] {
        const VipsErrorScope::Pause waiting;
        return DecoderProcess::decode(loader, bytes, request.box, settings, cancellation);
    }();
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

ReadResult read(const ImageRequest& request, const ImageSettings& settings, const Cancellation* cancellation,
                ImageReader::BudgetClaim* claim)
{
    if (!request.url.isLocalFile()) {
        return Failure{QStringLiteral("it is not a local file")};
    }
    std::variant<QByteArray, QString> file = [&] {
        const VipsErrorScope::Pause reading;
        return PictureFile::read(LocalPath::bytes(request.url));
    }();
    if (auto* reason = std::get_if<QString>(&file)) {
        return Failure{*reason};
    }
    const QByteArray& bytes = std::get<QByteArray>(file);
    // Before the image library starts: a PNG that goes in as it is needs none of it, and its start takes
    // longer than copying such a picture.
    if (std::optional<ReadResult> passed = pngPassThrough(bytes, request, settings)) {
        return std::move(*passed);
    }
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
    if (bytes.startsWith("\xFF\xD8\xFF")) {
        const JpegStructure structure = JpegStructure::read(bytes);
        // A damaged one is decoded instead, as far as it goes.
        if (structure.canEmbedAsIs()) {
            const auto orientation = headerOrientation(bytes);
            if (auto* failure = std::get_if<Failure>(&orientation)) {
                return *failure;
            }
            const QSize size = upright(structure.width, structure.height, std::get<int>(orientation));
            if (passesThrough(structure, size, request, settings)) {
                if (auto refusal = refuseOversized(size)) {
                    return *refusal;
                }
                return passThrough(bytes, structure, std::get<int>(orientation));
            }
        }
    }
    DecodeWatch watch{cancellation, std::chrono::steady_clock::now() + ImageReader::decodeTimeLimit};
    return decode(bytes, request, settings, watch, claim);
}

} // namespace

std::optional<PreparedImage> ImageReader::prepare(const ImageRequest& request, const ImageSettings& settings,
                                                  const Cancellation* cancellation)
{
    return prepare(request, settings, cancellation, nullptr);
}

std::optional<PreparedImage> ImageReader::prepare(const ImageRequest& request, const ImageSettings& settings,
                                                  const Cancellation* cancellation, BudgetClaim* claim)
{
    if (cancellation && cancellation->isCancelled()) {
        return std::nullopt;
    }
    const auto attempt = [&](VipsErrorScope::Mode mode, BudgetClaim* budget) -> ReadResult {
        try {
            const VipsErrorScope scope(mode);
            if (mode == VipsErrorScope::Mode::Exclusive)
                VipsRuntime::takeError(); // what others left is not this picture's
            return read(request, settings, cancellation, budget);
        } catch (const std::bad_alloc&) {
            return Failure{QStringLiteral("there is not enough memory for it")};
        } catch (const std::exception& error) {
            return Failure{QString::fromUtf8(error.what())};
        }
    };
    ReadResult result = attempt(VipsErrorScope::Mode::Shared, claim);
    // The reason may be another decode's, or lost to one that cleared the buffer: the picture is decoded
    // again where nothing else runs libvips. Failures are few, and this one no longer waits on the budget.
    const auto* failure = std::get_if<Failure>(&result);
    if (failure && failure->fromLibrary && !VipsErrorScope::isHeld() &&
        !(cancellation && cancellation->isCancelled()) && !(claim && claim->deferred)) {
        result = attempt(VipsErrorScope::Mode::Exclusive, nullptr);
    }
    if (auto* image = std::get_if<PreparedImage>(&result)) {
        if (claim) {
            // Held until the drawing is done with it, whatever the budget: it is made already. Compressed
            // rows wait on disk and hold none.
            claim->held = qint64(image->jpeg.size()) + qint64(image->pixels.size());
            DecodeBudget::hold(claim->held);
        }
        return std::move(*image);
    }
    if ((cancellation && cancellation->isCancelled()) || (claim && claim->deferred)) {
        return std::nullopt; // the render says so once
    }
    KestrelExtensions::Log::system(
        QStringLiteral("Cannot read image %1: %2")
            .arg(LocalPath::displayName(request.url), std::get<Failure>(result).reason));
    return std::nullopt;
}

} // namespace RuvedovUzedoz
