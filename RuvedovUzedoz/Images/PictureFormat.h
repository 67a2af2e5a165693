#pragma once

#include <QByteArray>
#include <QString>

namespace RuvedovUzedoz {

// Which decoder may read a picture, told from its bytes and never from its name. JPEG, PNG, WebP, TIFF
// and GIF are read in this process by libvips' own loaders, the only ones allowed to run here; SVG,
// HEIF and AVIF, and other picture formats that ImageMagick reads, go to the decoder program;
// anything else (a PDF or PostScript file named like a picture, a text, random bytes) is refused.
struct PictureFormat {
    enum class Decoder { InProcess, DecoderProgram, None };
    Decoder decoder = Decoder::None;
    QByteArray loader; // DecoderProgram: "svg", "heif" or "magick"
    QString refusal;   // None: why, for the log line

    static PictureFormat of(const QByteArray& bytes);
};

} // namespace RuvedovUzedoz
