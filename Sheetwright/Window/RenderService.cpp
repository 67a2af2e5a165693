#include "RenderService.h"

#include "RuvedovUzedoz/Sheet/PDFFile.h"

#include <QDir>
#include <QStandardPaths>

namespace Sheetwright {

namespace {
class EngineRenderService final : public RenderService {
public:
    EngineRenderService()
        : m_folder(QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
                       .filePath(QStringLiteral("Rendered PDFs")))
    {
        RuvedovUzedoz::PDFFile::removeLeftovers(m_folder);
    }

    // Each PDF goes into a file of its own rather than into memory, so that the window's memory stays
    // the same however large the sheet; the viewer reads the file and an export copies it.
    QFuture<std::optional<RuvedovUzedoz::PDFInfo>>
    generatePDF(const RuvedovUzedoz::ContactSheet& sheet, const RuvedovUzedoz::PageLayout& layout) override
    {
        return sheet.generatePDF(layout, m_folder);
    }

private:
    QString m_folder;
};
} // namespace

RenderService& RenderService::engine()
{
    static EngineRenderService service;
    return service;
}

} // namespace Sheetwright
