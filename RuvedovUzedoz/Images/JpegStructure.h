#pragma once

#include <QByteArray>

namespace RuvedovUzedoz {

// What the marker segments of a JPEG file say about it, read without decoding anything: enough to decide
// whether its bytes can be embedded in a PDF as they are.
struct JpegStructure {
    bool isJpeg = false; // starts with SOI and has a frame header before the first scan
    int frameMarker =
        0; // the SOF marker: 0xC0 baseline, 0xC1 extended, 0xC2 progressive, others lossless/arithmetic
    int precision = 0; // bits per sample
    int width = 0;
    int height = 0;
    int components = 0;
    bool complete = false; // an end-of-image marker follows the first scan

    static JpegStructure read(const QByteArray& bytes);

    // Baseline, extended or progressive Huffman coding, 8 bits, grey or YCbCr/RGB: what a PDF DCT filter
    // reads everywhere.
    bool canEmbedAsIs() const;
};

} // namespace RuvedovUzedoz
