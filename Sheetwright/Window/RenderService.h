#pragma once

#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Sheet/ContactSheet.h"

#include <QFuture>
#include <optional>

namespace Sheetwright {

// Where a window's renders go: the contact sheet engine, or a stand-in in tests.
class RenderService {
public:
    virtual ~RenderService() = default;
    // Called on the main thread with copies of the window's sheet and layout; the future finishes with
    // the rendered PDF, or nothing for an empty sheet.
    virtual QFuture<std::optional<RuvedovUzedoz::PDFInfo>>
    generatePDF(const RuvedovUzedoz::ContactSheet& sheet, const RuvedovUzedoz::PageLayout& layout) = 0;

    // The engine.
    static RenderService& engine();
};

} // namespace Sheetwright
