#pragma once

#include <QSizeF>
#include <QString>

namespace RuvedovUzedoz {

// A double as log lines write it: the shortest digits that read back to the same value, with at least
// one decimal ("792.0", "0.087"), scientific form outside 1e-4 ... 1e16 ("1e+16"), and "inf", "-inf", "nan".
QString doubleDescription(double value);

// A size as "(width, height)", each number as above.
QString sizeDescription(QSizeF size);

} // namespace RuvedovUzedoz
