#pragma once

#include <QString>

namespace Sheetwright {

// What an undo step is called in the Edit menu ("Change Margin" shows as "Undo Change Margin") and
// which steps it continues: a step merges into the one before it when both carry the same key (not -1).
struct UndoStep {
    QString name;
    int mergeKey = -1;
};

} // namespace Sheetwright
