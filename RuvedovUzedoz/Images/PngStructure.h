#pragma once

#include <QByteArray>
#include <utility>
#include <vector>

namespace RuvedovUzedoz {

// What the chunks of a PNG file say about it, read without decoding its pixels: enough to decide whether
// its compressed image data can go into a PDF as it is, where a Flate stream with the PNG predictors
// reads the same data.
struct PngStructure {
    bool isPng = false; // the signature and a readable header chunk first
    // Every chunk is whole and its checksum matches, the image data chunks follow one another and the
    // end chunk is there: nothing is known to be damaged.
    bool intact = false;
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colorType = 0;            // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGB and alpha
    int interlace = 0;            // 0 none, 1 Adam7
    bool hasTransparency = false; // a tRNS chunk: one colour or palette entries are transparent
    bool hasExif = false;         // an eXIf chunk, which may hold an orientation
    // A critical chunk that a PDF reader would not know what to do with, or a palette in a grey picture.
    bool hasUnknownCritical = false;
    QByteArray iccProfile;          // the iCCP chunk's profile, uncompressed; empty when there is none
    bool profileUnreadable = false; // an iCCP chunk whose profile cannot be uncompressed or is too large
    // Offset and length of the data of each image data chunk, in order: together, one zlib stream.
    std::vector<std::pair<qsizetype, qsizetype>> imageData;

    // Profiles larger than this are not uncompressed (no real one comes near it).
    static constexpr qsizetype maximumProfileSize = qsizetype(4) << 20;

    static PngStructure read(const QByteArray& bytes);

    // 1 grey, 3 RGB: the samples per pixel of the stored rows.
    int components() const;
    // Intact, 8-bit grey or RGB, not interlaced, opaque, no unknown critical chunk: its image data is what
    // a PDF Flate stream with predictor 15 reads. Orientation and colour profile are for the caller.
    bool canEmbedAsIs() const;

    // The rows of 8-bit samples that `filtered` (the image data uncompressed: each row its filter byte,
    // then width × components bytes) stands for, row after row; empty when it is not as long as that or a
    // filter byte is unknown.
    static QByteArray unfilteredRows(const QByteArray& filtered, int width, int height, int components);
};

} // namespace RuvedovUzedoz
