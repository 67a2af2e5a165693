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

const std::vector<BuiltInLayout>& builtInLayouts()
{
    using Id = BuiltInLayout::Id;
    // Titles and groups are marked for the translation tools, in the context the application's texts use.
    // Sizes in points: Letter, Legal and Ledger in landscape, A4 and A3 as the paper is cut.
    static const std::vector<BuiltInLayout> layouts{
        {Id::Letter, QStringLiteral("Letter"), QT_TRANSLATE_NOOP("Sheetwright", "US Letter"),
         QT_TRANSLATE_NOOP("Sheetwright", "Page Sizes"), size(792, 612)},
        {Id::Legal, QStringLiteral("Legal"), QT_TRANSLATE_NOOP("Sheetwright", "US Legal"),
         QT_TRANSLATE_NOOP("Sheetwright", "Page Sizes"), size(1008, 612)},
        {Id::Ledger, QStringLiteral("Ledger"), QT_TRANSLATE_NOOP("Sheetwright", "US Ledger"),
         QT_TRANSLATE_NOOP("Sheetwright", "Page Sizes"), size(1224, 792)},
        {Id::A4, QStringLiteral("A4"), QT_TRANSLATE_NOOP("Sheetwright", "Metric A4"),
         QT_TRANSLATE_NOOP("Sheetwright", "Page Sizes"), size(595.3, 841.9)},
        {Id::A3, QStringLiteral("A3"), QT_TRANSLATE_NOOP("Sheetwright", "Metric A3"),
         QT_TRANSLATE_NOOP("Sheetwright", "Page Sizes"), size(1190.6, 841.9)},
        {Id::OneUp, QStringLiteral("One Up"), QT_TRANSLATE_NOOP("Sheetwright", "One Up"),
         QT_TRANSLATE_NOOP("Sheetwright", "Grids"), grid(1, 1)},
        {Id::TwoUp, QStringLiteral("Two Up"), QT_TRANSLATE_NOOP("Sheetwright", "Two Up"),
         QT_TRANSLATE_NOOP("Sheetwright", "Grids"), grid(1, 2)},
        {Id::FourUp, QStringLiteral("Four Up"), QT_TRANSLATE_NOOP("Sheetwright", "Four Up"),
         QT_TRANSLATE_NOOP("Sheetwright", "Grids"), grid(2, 2)},
        {Id::Light, QStringLiteral("Light"), QT_TRANSLATE_NOOP("Sheetwright", "Light"),
         QT_TRANSLATE_NOOP("Sheetwright", "Color Schemes"), colours(Color::black(), Color::white())},
        {Id::Dark, QStringLiteral("Dark"), QT_TRANSLATE_NOOP("Sheetwright", "Dark"),
         QT_TRANSLATE_NOOP("Sheetwright", "Color Schemes"),
         colours(Color::gray(0.82, 1.0), Color::gray(0.18, 1.0))},
    };
    return layouts;
}

const BuiltInLayout& builtInLayout(BuiltInLayout::Id id)
{
    // The table is in the order of the ids.
    return builtInLayouts()[size_t(id)];
}

} // namespace RuvedovUzedoz
