// Not called by the application: kept as a library service for other users.
#pragma once

#include <QString>

namespace KestrelExtensions {

// Sets words of a camel-case name apart: a space goes before an uppercase (or titlecase) letter that
// follows a character which is not one, and before the second character when the first is a capital.
// Runs of capitals stay together: "imageSizeMax" → "image Size Max", "PDFFile" → "P DFFile".
QString splittingCamelCase(const QString& string);

} // namespace KestrelExtensions
