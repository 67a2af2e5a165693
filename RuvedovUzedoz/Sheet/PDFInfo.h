#pragma once

#include <QByteArray>

namespace RuvedovUzedoz {

// A finished render: the complete PDF file, its length in bytes and its page count.
struct PDFInfo {
    QByteArray data = {};
    qint64 size = 0;
    int pageCount = 0;
};

} // namespace RuvedovUzedoz
