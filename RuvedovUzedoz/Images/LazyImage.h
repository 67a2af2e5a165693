#pragma once

#include "PreparedImage.h"

#include <memory>

struct _VipsImage;

namespace RuvedovUzedoz {

// A picture known by its header, decoded only when its pixels are asked for; scaling it adds a step to
// its recipe rather than pixels. Copies share the same image.
class LazyImage {
public:
    // Reads the header of a local picture file, upright by its EXIF orientation; nullopt when it is not a
    // picture that can be read.
    static std::optional<LazyImage> read(const QUrl& url);

    int width() const;
    int height() const;

    // The picture scaled uniformly by `factor` with a high-quality (Lanczos) kernel; nullopt for a factor
    // that is not positive and finite, or a result smaller than one pixel.
    std::optional<LazyImage> scaled(double factor) const;

    // Decodes it into cairo-ready pixels; nullopt when decoding fails or it has too many pixels to hold.
    std::optional<PreparedImage> bitmap() const;

private:
    explicit LazyImage(std::shared_ptr<_VipsImage> image);
    std::shared_ptr<_VipsImage> m_image;
};

} // namespace RuvedovUzedoz
