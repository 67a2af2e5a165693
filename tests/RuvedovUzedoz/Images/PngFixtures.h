#pragma once

#include <QByteArray>
#include <QList>

// PNG files written chunk by chunk, for what encoders rarely write or must never write.
namespace PngFixtures {

// One chunk: length, type, data and its checksum.
QByteArray chunk(const char* type, const QByteArray& data);

// 8-bit rows of `width` × `height` pixels of `components` samples (1 grey, 3 RGB) whose sample k is
// `value(k)`, each row with its filter byte 0, compressed as one zlib stream.
QByteArray rowData(int width, int height, int components, int (*value)(qsizetype));

// A PNG of the given header whose image data `zlib` is cut into `pieces` data chunks, with `before`
// between the header and the data and `after` between the data and the end.
QByteArray png(int width, int height, int bitDepth, int colorType, const QByteArray& zlib, int pieces = 1,
               const QByteArray& before = {}, const QByteArray& after = {}, int interlace = 0);

// `file` with `chunks` put right after its header chunk.
QByteArray withChunks(const QByteArray& file, const QByteArray& chunks);

// `file` with one bit of the first data chunk's data flipped (its checksum left as it was).
QByteArray withFlippedDataBit(const QByteArray& file);

// An iCCP chunk holding `profile`.
QByteArray profileChunk(const QByteArray& profile);

// An eXIf chunk saying `orientation`.
QByteArray orientationChunk(int orientation);

// The data of all the image data chunks of `file`, one after another.
QByteArray imageData(const QByteArray& file);

// The decoded pixels of a picture file, 8-bit samples row after row (libvips, no colour conversion).
QByteArray decodedPixels(const QByteArray& file, int* bands = nullptr);

} // namespace PngFixtures
