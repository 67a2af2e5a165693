#pragma once

#include <QByteArray>

namespace RuvedovUzedoz {

// What the marker segments of a JPEG file say about it, read without decoding anything: enough to decide
// whether its bytes can be embedded in a PDF as they are.
struct JpegStructure {
    bool isJpeg = false; // starts with SOI and has a frame header before the first scan
    // The header ran past the end of the data given: more of the file is needed to tell.
    bool headerCut = false;
    int frameMarker =
        0; // the SOF marker: 0xC0 baseline, 0xC1 extended, 0xC2 progressive, others lossless/arithmetic
    int precision = 0; // bits per sample
    int width = 0;
    int height = 0;
    int components = 0;
    bool complete = false;   // an end-of-image marker follows the first scan
    qsizetype scanStart = 0; // offset of the first SOS marker
    qsizetype imageEnd = 0;  // offset just past the end-of-image marker when `complete`
    QByteArray iccProfile;   // the embedded colour profile (APP2 "ICC_PROFILE" chunks, in order)
    // The quality (1..100) whose standard luminance table is nearest to the file's; 0 when unknown.
    int estimatedQuality = 0;

    static JpegStructure read(const QByteArray& bytes);
    // Offset just past the first end-of-image marker that starts at or after `from` (a point inside the
    // scans), 0 when there is none yet. Lets a reader stop once the picture is whole, resuming the search
    // where the last one ended as more bytes arrive.
    static qsizetype endOfImage(const QByteArray& bytes, qsizetype from);

    // Baseline, extended or progressive Huffman coding, 8 bits, grey or YCbCr/RGB: what a PDF DCT filter
    // reads everywhere.
    bool canEmbedAsIs() const;
    // The same, known from the header alone: whether the picture can go in as it is once it is whole.
    bool hasEmbeddableCoding() const;

    // The picture alone, as it goes into a PDF: the tables, frame and scans byte for byte, the Adobe
    // segment (it tells how the colours are coded), a bare JFIF header and, when `keepProfile`, the
    // colour profile; no EXIF, XMP, IPTC, comments, thumbnails or secondary images, nothing after the end
    // marker. `bytes` are those that `read` was given; empty unless `complete`.
    QByteArray withoutPrivateSegments(const QByteArray& bytes, bool keepProfile) const;
};

} // namespace RuvedovUzedoz
