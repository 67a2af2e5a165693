#pragma once

#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"

#include <QString>
#include <vector>

namespace RuvedovUzedoz {

// One of the layouts built into the program: what it sets, the name it is stored and looked up under,
// and how the menus and the settings pane show it. Everything that lists or applies presets reads
// `builtInLayouts()`.
struct BuiltInLayout {
    enum class Id { Letter, Legal, Ledger, A4, A3, OneUp, TwoUp, FourUp, Light, Dark };

    Id id;
    // The layout's name, as stored in the user's settings ("Letter").
    QString name;
    // The text shown for it ("US Letter") and the heading of its group ("Page Sizes"); both are
    // localisation keys.
    const char* title;
    const char* group;
    // Only the settings the preset changes; the others absent.
    SavedPageLayout layout;
};

// The presets in menu order; members of a group follow one another.
const std::vector<BuiltInLayout>& builtInLayouts();
const BuiltInLayout& builtInLayout(BuiltInLayout::Id id);

} // namespace RuvedovUzedoz
