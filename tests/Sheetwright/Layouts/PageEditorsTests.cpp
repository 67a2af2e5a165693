#include "EditorFixture.h"
#include "Sheetwright/Editors/PageLayoutView.h"
#include "Sheetwright/Layouts/LayoutUnits.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace Sheetwright;
using RuvedovUzedoz::PageLayout;

namespace {
// Replaces a field's text as a user would and presses Return.
void type(QWidget& view, const char* name, const QString& text)
{
    auto* field = view.findChild<QLineEdit*>(name);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

QString shown(QWidget& view, const char* name)
{
    return view.findChild<QLineEdit*>(name)->text();
}
} // namespace

class PageSizeViewTest : public EditorFixture {};

TEST_F(PageSizeViewTest, ShowsTheLayoutInTheStoredUnitAndFollowsUnitChanges)
{
    PageLayoutView view(binding(), &defaults);
    struct Row {
        LayoutUnits units;
        const char *width, *height, *margin;
    };
    const Row rows[] = {{LayoutUnits::imperial, "11 in", "8.5 in", "0.25 in"},
                        {LayoutUnits::metric, "279.4 mm", "215.9 mm", "6.35 mm"},
                        {LayoutUnits::points, "792 pt", "612 pt", "18 pt"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        if (row.units != LayoutUnits::imperial) // the unit shown when none is stored
            storeLayoutUnits(defaults, row.units);
        EXPECT_EQ(shown(view, "widthField"), row.width);
        EXPECT_EQ(shown(view, "heightField"), row.height);
        EXPECT_EQ(shown(view, "marginField"), row.margin);
    }
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(PageSizeViewTest, TypedSizesAreStoredInPointsOnceEachAndAbsurdOnesRefused)
{
    PageLayoutView view(binding(), &defaults);
    view.show();
    const std::pair<const char*, const char*> refused[] = {
        {"widthField", "abc"},  {"widthField", "nan"},    {"widthField", "inf"},        {"widthField", "0"},
        {"heightField", "-3"},  {"heightField", "1e300"}, {"marginField", "-1"},        {"widthField", ""},
        {"heightField", "201"}, {"widthField", "11 mm"},  {"marginField", "0.25 mm in"}};
    for (const auto& [name, text] : refused) {
        const QString before = shown(view, name);
        type(view, name, QString::fromUtf8(text));
        EXPECT_EQ(shown(view, name), before) << text;
    }
    EXPECT_EQ(changes.count(), 0);
    type(view, "widthField", "10");
    EXPECT_EQ(shown(view, "widthField"), "10 in");
    EXPECT_EQ(model.get(), edited([](auto& l) { l.width = 720; }));
    QTest::keyClick(view.findChild<QLineEdit*>("widthField"), Qt::Key_Return); // unchanged text
    EXPECT_EQ(changes.count(), 1);
    storeLayoutUnits(defaults, LayoutUnits::metric);
    type(view, "marginField", "5 mm");
    EXPECT_NEAR(model.get().margin, 5 * 72 / 25.4, 1e-6);
    // Text that reads as the stored value writes nothing, though it parses a hair off (595.302).
    model.modify([](auto& l) { l.width = 595.3; });
    type(view, "widthField", "210.009 mm");
    EXPECT_EQ(changes.count(), 3);
    // Points take whole numbers only; a zero margin is fine.
    storeLayoutUnits(defaults, LayoutUnits::points);
    type(view, "widthField", "700.5");
    type(view, "marginField", "0");
    EXPECT_EQ(model.get(), edited([](auto& l) {
                  l.width = 595.3;
                  l.margin = 0;
              }));
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(PageSizeViewTest, GridPickersOfferOneToTenAndWriteOneField)
{
    PageLayoutView view(binding(), &defaults);
    auto* rows = view.findChild<QComboBox*>("rowsPicker");
    auto* columns = view.findChild<QComboBox*>("columnsPicker");
    EXPECT_EQ(rows->count(), 10);
    EXPECT_EQ(rows->itemText(9), "10");
    EXPECT_EQ(rows->currentText(), "2");
    EXPECT_EQ(columns->currentText(), "2");
    emit rows->activated(4);
    EXPECT_EQ(model.get(), edited([](auto& l) { l.rows = 5; }));
    emit rows->activated(4); // the same choice again is no change
    EXPECT_EQ(changes.count(), 1);
    // Values no option stands for show no selection and are kept; a preset shows at once.
    model.modify([](auto& l) {
        l.rows = 12;
        l.columns = 0;
    });
    EXPECT_EQ(rows->currentIndex(), -1);
    EXPECT_EQ(columns->currentIndex(), -1);
    EXPECT_EQ(model.get().rows, 12);
    model.modify([](auto& l) { l.rows = l.columns = 1; });
    EXPECT_EQ(rows->currentText(), "1");
    EXPECT_EQ(columns->currentText(), "1");
}
