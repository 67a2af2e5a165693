#pragma once

#include <QByteArray>
#include <cstdio>
#include <functional>
#include <qpdf/QPDF.hh>

// What both post-passes need to append an incremental update to a PDF that is already written.
namespace RuvedovUzedoz::IncrementalUpdate {

// The byte offset of the file's last cross-reference section, from its closing "startxref" line in
// `tail` (the file's end). Throws std::runtime_error when there is none or it cannot be read.
qint64 lastCrossReference(const QByteArray& tail);

// A stream over the file open at `descriptor` for qpdf to read. qpdf closes the stream it is given, so
// it reads through a duplicate descriptor; the duplicate shares the writer's position, which the caller
// sets again before appending. Throws std::runtime_error when the file cannot be read back.
FILE* readingStream(int descriptor);

// Calls `visit` for each JPEG image stream written directly in the file (not inside an object stream),
// with its object id, the offset of its object in the file, the stream and its dictionary.
using JpegImageVisitor =
    std::function<void(QPDFObjGen id, qint64 offset, QPDFObjectHandle& image, QPDFObjectHandle& dictionary)>;
void forEachJpegImage(QPDF& document, const JpegImageVisitor& visit);

} // namespace RuvedovUzedoz::IncrementalUpdate
