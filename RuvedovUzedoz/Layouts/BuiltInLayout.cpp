#include "BuiltInLayout.h"

#include "RuvedovUzedoz/Layouts/Color.h"

#include <QtGlobal>

namespace RuvedovUzedoz {

namespace {

SavedPageLayout size(double width, double height)
{
    return SavedPageLayout{.width = width, .height = height};
}

SavedPageLayout grid(qint64 rows, qint64 columns)
{
    return SavedPageLayout{.rows = rows, .columns = columns};
}

SavedPageLayout colours(const Color& font, const Color& background)
{
    return SavedPageLayout{.fontColor = ColorProxy(font), .backgroundColor = ColorProxy(background)};
}

} // namespace

// Marks a shown text for the translation tools, in the context the application's texts use.
#define SHOWN(text) QT_TRANSLATE_NOOP("Sheetwright", text)

const std::vector<BuiltInLayout>& builtInLayouts()
{
    using Id = BuiltInLayout::Id;
    const char* const sizes = SHOWN("Page Sizes");
    const char* const grids = SHOWN("Grids");
    const char* const schemes = SHOWN("Color Schemes");
    const Color darkText = Color::gray(0.82, 1.0);
    const Color darkBackground = Color::gray(0.18, 1.0);
    // Sizes in points: Letter, Legal and Ledger in landscape, A4 and A3 as the paper is cut.
    static const std::vector<BuiltInLayout> layouts{
        {Id::Letter, QStringLiteral("Letter"), SHOWN("US Letter"), sizes, size(792, 612)},
        {Id::Legal, QStringLiteral("Legal"), SHOWN("US Legal"), sizes, size(1008, 612)},
        {Id::Ledger, QStringLiteral("Ledger"), SHOWN("US Ledger"), sizes, size(1224, 792)},
        {Id::A4, QStringLiteral("A4"), SHOWN("Metric A4"), sizes, size(595.3, 841.9)},
        {Id::A3, QStringLiteral("A3"), SHOWN("Metric A3"), sizes, size(1190.6, 841.9)},
        {Id::OneUp, QStringLiteral("One Up"), SHOWN("One Up"), grids, grid(1, 1)},
        {Id::TwoUp, QStringLiteral("Two Up"), SHOWN("Two Up"), grids, grid(1, 2)},
        {Id::FourUp, QStringLiteral("Four Up"), SHOWN("Four Up"), grids, grid(2, 2)},
        {Id::Light, QStringLiteral("Light"), SHOWN("Light"), schemes,
         colours(Color::black(), Color::white())},
        {Id::Dark, QStringLiteral("Dark"), SHOWN("Dark"), schemes, colours(darkText, darkBackground)},
    };
    return layouts;
}

#undef SHOWN

const BuiltInLayout& builtInLayout(BuiltInLayout::Id id)
{
    // The table is in the order of the ids.
    return builtInLayouts()[size_t(id)];
}

} // namespace RuvedovUzedoz
