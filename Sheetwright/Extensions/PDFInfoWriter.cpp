#include "PDFInfoWriter.h"

#include <QSaveFile>

namespace Sheetwright {

std::optional<QString> writePDFInfo(const RuvedovUzedoz::PDFInfo& pdf, const QString& path)
{
    QSaveFile file(path);
    // Unbuffered, so that every byte goes out in write(), where a short count shows. A buffered write
    // that fails only when commit() flushes it goes unreported, and the cut-off file replaces the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 written = file.write(pdf.data);
    if (written != pdf.data.size()) {
        // A short write sets no error of its own: the disk is full or the file may not grow further.
        const QString error = written < 0 ? file.errorString()
                                          : QStringLiteral("Only %1 of %2 bytes of the PDF could be written "
                                                           "to %3; the disk may be full")
                                                .arg(written)
                                                .arg(pdf.data.size())
                                                .arg(path);
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace Sheetwright
