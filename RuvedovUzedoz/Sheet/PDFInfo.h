#pragma once

#include "RuvedovUzedoz/Sheet/PDFFile.h"

#include <QByteArray>
#include <memory>

namespace RuvedovUzedoz {

// A finished render: the complete PDF file, its length in bytes and its page count. The bytes are either
// in `data` or, for a render kept on disk, in `file` (then `data` is empty); `size` is their length
// either way.
struct PDFInfo {
    QByteArray data = {};
    qint64 size = 0;
    int pageCount = 0;
    std::shared_ptr<const PDFFile> file = {};

    // The whole PDF, read from its file when it is kept on disk; empty when that file cannot be read.
    QByteArray bytes() const;
};

} // namespace RuvedovUzedoz
