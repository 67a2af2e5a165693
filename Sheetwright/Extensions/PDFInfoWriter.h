#pragma once

#include "RuvedovUzedoz/Sheet/PDFInfo.h"

#include <QString>
#include <optional>

namespace Sheetwright {

// Writes the rendered PDF's bytes, unchanged, to `path`: all or nothing, so a failed write never
// leaves a half-written file or destroys the one that was there. Returns why it failed, or nothing.
std::optional<QString> writePDFInfo(const RuvedovUzedoz::PDFInfo& pdf, const QString& path);

} // namespace Sheetwright
