#pragma once

#include "PreparedImage.h"

#include <QString>
#include <chrono>

namespace RuvedovUzedoz {

class Cancellation;

// Reads one picture file and prepares it for the page (thread-safe; called on the image pool). Which
// decoder reads it is told from its content (see PictureFormat); SVG, HEIF/AVIF and the formats only
// ImageMagick reads are decoded in the decoder program (see DecoderProcess).
//
// With compression on, the picture is scaled to the target size and re-encoded as JPEG; pictures with
// transparency are scaled but kept lossless. With compression off, a plain JPEG is passed on with its coded
// image data untouched (nothing is decoded; the placement applies its orientation), so is an intact, opaque,
// upright 8-bit grey or RGB PNG that is not interlaced (its compressed rows, for the PDF to read with the
// PNG predictors; nothing of the file's other chunks but its colour profile), and anything else is
// decoded at full size. With compression on, a JPEG that needs no scaling and would not get smaller is
// passed on in the same way. A passed-on JPEG loses its private segments (EXIF, XMP, IPTC, comments,
// thumbnails) and whatever follows its end; a colour profile other than sRGB stays, for the PDF to tag the
// image with. Decoded pictures are turned upright and converted to sRGB through their own profile.
// A damaged picture is drawn as far as it decodes, with one log line saying so.
class ImageReader {
public:
    // Pictures that would be decoded (or embedded) at full size with more pixels than this are refused from
    // their header alone, before any decoding.
    static constexpr qint64 maximumPixels = qint64(16384) * 16384;
    // Decoded pixels are held in memory and drawn by cairo, which takes at most 32767 on a side; larger
    // pictures are scaled down to fit both limits.
    static constexpr int maximumDecodedSide = 32767;
    static constexpr qint64 maximumDecodedPixels = 100'000'000;

    // How long one picture may take to decode before it is given up.
    static constexpr std::chrono::seconds decodeTimeLimit{30};

    // nullopt when the file cannot be read as a picture; one log line then names the file and the reason.
    // A decode stops early, without a log line, once `cancellation` (when given) reads cancelled.
    static std::optional<PreparedImage> prepare(const ImageRequest& request, const ImageSettings& settings,
                                                const Cancellation* cancellation = nullptr);

    // A preparation's share of the decode budget (see DecodeBudget).
    struct BudgetClaim {
        // In: the picture that the drawing waits for, which may go over the budget rather than wait.
        bool mayExceed = false;
        // Out: the bytes of the budget that the prepared picture holds; whoever keeps it releases them.
        qint64 held = 0;
        // Out: not prepared (and nothing logged), since its decoded pixels did not fit the budget.
        bool deferred = false;
    };
    static std::optional<PreparedImage> prepare(const ImageRequest& request, const ImageSettings& settings,
                                                const Cancellation* cancellation, BudgetClaim* claim);
};

} // namespace RuvedovUzedoz
