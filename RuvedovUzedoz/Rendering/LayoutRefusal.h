#pragma once

#include <QString>
#include <optional>

namespace RuvedovUzedoz {

struct PageLayout;

// Why no contact sheet is drawn with a layout: a grid or page that cannot be drawn, a margin or grid
// that leaves no room for a cell, or labels that leave no room for the pictures.
struct LayoutRefusal {
    enum class Kind { Grid, PageSize, GridDoesNotFit, Margin, Labels };

    // Below this share of its cell's height a picture is too small to be seen: the sheet would show
    // file names only.
    static constexpr double minimumPictureShare = 0.1;

    Kind kind;
    // The log line, ending ", skipping render".
    QString logLine;

    // nullopt when pages can be drawn with `layout`.
    static std::optional<LayoutRefusal> of(const PageLayout& layout);
};

} // namespace RuvedovUzedoz
