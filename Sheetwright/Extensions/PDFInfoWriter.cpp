#include "PDFInfoWriter.h"

#include "KestrelExtensions/Coding/FileContents.h"
#include "KestrelExtensions/Coding/FileError.h"

#include <QFile>
#include <QSaveFile>

namespace Sheetwright {

namespace {

// A short write sets no error of its own: the disk is full or the file may not grow further.
QString shortWrite(qint64 written, qint64 total, const QString& path)
{
    return QStringLiteral("Only %1 of %2 bytes of the PDF could be written to %3; the disk may be full")
        .arg(written)
        .arg(total)
        .arg(path);
}

// Copies the PDF kept on disk into `target` a piece at a time, so that an export of any size needs
// little memory. Returns why it failed, or nothing.
std::optional<QString> copyFile(const QString& sourcePath, qint64 size, QSaveFile& target)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("The rendered PDF cannot be read: ") + source.errorString();
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 copied = 0;
    while (true) {
        const qint64 read = source.read(buffer.data(), buffer.size());
        if (read < 0)
            return QStringLiteral("The rendered PDF cannot be read: ") + source.errorString();
        if (read == 0)
            break;
        const qint64 written = target.write(buffer.constData(), read);
        if (written != read)
            return written < 0 ? target.errorString() : shortWrite(copied + written, size, target.fileName());
        copied += read;
    }
    // A file that changed length since the render would not be the PDF that was shown.
    if (copied != size)
        return QStringLiteral("The rendered PDF is %1 bytes long instead of %2; it was not exported")
            .arg(copied)
            .arg(size);
    return std::nullopt;
}

} // namespace

std::optional<QString> writePDFInfo(const RuvedovUzedoz::PDFInfo& pdf, const QString& path)
{
    // The export takes the target's place: a pipe, a device or a folder there is refused, never replaced.
    try {
        KestrelExtensions::requireReplaceableFile(path);
    } catch (const KestrelExtensions::FileError& error) {
        return error.errorDescription();
    }
    QSaveFile file(path);
    // Unbuffered, so that every byte goes out in write(), where a short count shows. A buffered write
    // that fails only when commit() flushes it goes unreported, and the cut-off file replaces the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    std::optional<QString> error;
    if (pdf.file) {
        error = copyFile(pdf.file->path(), pdf.size, file);
    } else {
        const qint64 written = file.write(pdf.data);
        if (written != pdf.data.size())
            error = written < 0 ? file.errorString() : shortWrite(written, pdf.data.size(), path);
    }
    if (error) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace Sheetwright
