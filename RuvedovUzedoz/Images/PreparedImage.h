#pragma once
#include <QByteArray>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

namespace RuvedovUzedoz {

class DeflatedRows;

// A picture ready to be placed on a page.
struct PreparedImage {
    enum class Encoding { Jpeg, Pixels, Deflated };
    Encoding encoding = Encoding::Pixels;
    int width = 0; // stored pixel size, before `orientation` is applied
    int height = 0;
    int orientation = 1; // EXIF orientation 1..8 that the placement must still apply; 1 = upright as stored
    QByteArray jpeg;     // Encoding::Jpeg: a complete JPEG file (1 or 3 components), embedded as is (DCT)
    int jpegComponents = 3;
    // Encoding::Pixels: cairo ARGB32 premultiplied when hasAlpha, else cairo RGB24; native endian
    QByteArray pixels;
    int stride = 0; // bytes per row of `pixels`
    bool hasAlpha = false;
    // Encoding::Deflated: the rows top to bottom, 8 bits per sample, 1 (grey) or 3 (RGB) samples per pixel,
    // opaque, compressed with zlib as a PDF Flate stream takes them. Compressed where the picture is
    // prepared, so that lossless pictures are compressed on all cores instead of on the drawing thread;
    // kept in a scratch file, so that pictures waiting to be drawn hold next to no memory.
    std::shared_ptr<const DeflatedRows> deflated;
    int deflatedComponents = 3;
    // Each row starts with its PNG filter byte (a PNG file's own image data): the stream is read with
    // the PNG predictors.
    bool deflatedPredicted = false;
    // The colour profile the rows are in, for the PDF to tag the image with; empty for sRGB (or grey).
    QByteArray deflatedProfile{};
    // The upright pixel size of the picture file itself, before any scaling: the size the picture is known
    // by (e.g. in log lines), whatever size it is stored at.
    QSize sourceSize;
    QSize uprightSize() const; // width × height after orientation (swapped for orientations 5..8)
};

// The image-compression settings taken from the page layout.
struct ImageSettings {
    bool compress = true;    // layout.enableQuartz
    double quality = 1;      // layout.imageQuality (JPEG quality round(q*100) clamped 1..100)
    double scaleFactor = 1;  // layout.imageScaleFactor
    double resolution = 300; // layout.imageResolution (dpi)
    double sizeMax = 2048;   // layout.imageSizeMax (pixels, longest side)
    double sizeMin = 0;      // layout.imageSizeMin
};

// One picture to prepare: its file and the box (in points) that it will be fitted into on the page.
struct ImageRequest {
    QUrl url;
    QSizeF box;
};

} // namespace RuvedovUzedoz
