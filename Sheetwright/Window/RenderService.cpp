#include "RenderService.h"

namespace Sheetwright {

namespace {
class EngineRenderService final : public RenderService {
public:
    QFuture<std::optional<RuvedovUzedoz::PDFInfo>>
    generatePDF(const RuvedovUzedoz::ContactSheet& sheet, const RuvedovUzedoz::PageLayout& layout) override
    {
        return sheet.generatePDF(layout);
    }
};
} // namespace

RenderService& RenderService::engine()
{
    static EngineRenderService service;
    return service;
}

} // namespace Sheetwright
