#pragma once

#include "ImageReader.h"
#include "PreparedImage.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <variant>

namespace RuvedovUzedoz {

class Cancellation;

// Decodes a picture in the decoder program, a process of its own, so that a decoder that aborts, hangs
// or runs out of memory costs that picture only. The program is found next to the running executable,
// or else where the build put it.
class DecoderProcess {
public:
    // A picture the decoder program gave back: 8-bit sRGB pixels, 3 or 4 bands, rows packed.
    struct Raster {
        QByteArray pixels;
        int width = 0;
        int height = 0;
        int bands = 0;
        QSize sourceSize; // the picture's own upright size
    };

    // How long one picture may take before its decoder is stopped.
    static constexpr std::chrono::seconds timeLimit = ImageReader::decodeTimeLimit;

    // `loader` is "svg", "heif" or "magick". The raster, or the reason it could not be had. Stops the
    // decoder as soon as `cancellation` (when given) reads cancelled.
    static std::variant<Raster, QString> decode(const QByteArray& loader, const QByteArray& bytes, QSizeF box,
                                                const ImageSettings& settings,
                                                const Cancellation* cancellation);

    // Where the decoder program is looked for first; empty to use the default. For tests.
    static void setProgramPath(const QByteArray& path);
};

} // namespace RuvedovUzedoz
