#include "PDFInfoWriter.h"

#include <QSaveFile>

namespace Sheetwright {

std::optional<QString> writePDFInfo(const RuvedovUzedoz::PDFInfo& pdf, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(pdf.data) != pdf.data.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace Sheetwright
