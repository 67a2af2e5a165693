#pragma once

#include <QString>

namespace Sheetwright {

// A file size as people read it: decimal units (1 KB = 1000 bytes), "Zero KB" for nothing, bytes
// below a kilobyte, whole kilobytes, megabytes with one decimal and larger units with two, trailing
// zeros dropped.
QString formatByteCount(qint64 bytes);

} // namespace Sheetwright
