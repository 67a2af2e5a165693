#include "LazyImage.h"

#include "ImageReader.h"
#include "RuvedovUzedoz/Sheet/LocalPath.h"
#include "VipsConversion.h"
#include "VipsErrorScope.h"
#include "VipsRuntime.h"

#include <cmath>

namespace RuvedovUzedoz {

namespace {

std::shared_ptr<VipsImage> share(VipsImage* image)
{
    return std::shared_ptr<VipsImage>(image, [](VipsImage* owned) { g_object_unref(owned); });
}

} // namespace

LazyImage::LazyImage(std::shared_ptr<_VipsImage> image) : m_image(std::move(image)) {}

std::optional<LazyImage> LazyImage::read(const QUrl& url)
{
    if (!url.isLocalFile() || !VipsRuntime::ensureStarted()) {
        return std::nullopt;
    }
    const VipsErrorScope scope(VipsErrorScope::Mode::Shared);
    // A file source takes the name literally; the loaded image keeps the source alive while it needs it.
    VipsSource* source = vips_source_new_from_file(LocalPath::bytes(url).constData());
    if (!source) {
        VipsRuntime::takeError();
        return std::nullopt;
    }
    VipsImage* loaded = vips_image_new_from_source(source, "", nullptr);
    g_object_unref(source);
    if (!loaded) {
        VipsRuntime::takeError();
        return std::nullopt;
    }
    VipsImageHandle image(loaded);
    VipsImage* upright = nullptr;
    if (vips_autorot(image.get(), &upright, nullptr) != 0) {
        VipsRuntime::takeError();
        return std::nullopt;
    }
    return LazyImage(share(upright));
}

int LazyImage::width() const
{
    return m_image->Xsize;
}

int LazyImage::height() const
{
    return m_image->Ysize;
}

std::optional<LazyImage> LazyImage::scaled(double factor) const
{
    if (!std::isfinite(factor) || factor <= 0 || width() * factor < 0.5 || height() * factor < 0.5) {
        return std::nullopt;
    }
    const VipsErrorScope scope(VipsErrorScope::Mode::Shared);
    VipsImage* resized = nullptr;
    if (vips_resize(m_image.get(), &resized, factor, "kernel", VIPS_KERNEL_LANCZOS3, nullptr) != 0) {
        VipsRuntime::takeError();
        return std::nullopt;
    }
    return LazyImage(share(resized));
}

std::optional<PreparedImage> LazyImage::bitmap() const
{
    if (qint64(width()) * height() > ImageReader::maximumDecodedPixels ||
        std::max(width(), height()) > ImageReader::maximumDecodedSide) {
        return std::nullopt;
    }
    const VipsErrorScope scope(VipsErrorScope::Mode::Shared);
    QString error;
    return VipsConversion::toCairoPixels(m_image.get(), error);
}

} // namespace RuvedovUzedoz
