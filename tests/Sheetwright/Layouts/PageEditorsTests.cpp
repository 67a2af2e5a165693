#include "EditorFixture.h"
#include "Sheetwright/Editors/PageLayoutView.h"
#include "Sheetwright/Layouts/LayoutUnits.h"

using namespace Sheetwright;
using RuvedovUzedoz::PageLayout;

namespace {
const QLocale usEnglish(QLocale::English, QLocale::UnitedStates);

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
    const std::pair<LayoutUnits, QStringList> rows[] = {
        {LayoutUnits::imperial, {"11 in", "8.5 in", "0.25 in"}},
        {LayoutUnits::metric, {"279.4 mm", "215.9 mm", "6.35 mm"}},
        {LayoutUnits::points, {"792 pt", "612 pt", "18 pt"}}};
    for (const auto& [units, texts] : rows) {
        if (units != LayoutUnits::imperial) // the unit shown when none is stored
            storeLayoutUnits(defaults, units);
        EXPECT_EQ(
            (QStringList{shown(view, "widthField"), shown(view, "heightField"), shown(view, "marginField")}),
            texts);
    }
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(PageSizeViewTest, TypedSizesAreStoredInPointsOnceEachAndAbsurdOnesRefused)
{
    PageLayoutView view(binding(), &defaults);
    view.show();
    const std::pair<const char*, const char*> refused[] = {
        {"widthField", "abc"},    {"widthField", "0"},          {"heightField", "-3"},
        {"heightField", "1e300"}, {"marginField", "-1"},        {"heightField", "201"},
        {"widthField", "11 mm"},  {"marginField", "0.25 mm in"}};
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
    EXPECT_EQ(model.get(), edited([](auto& l) { l.width = 595.3, l.margin = 0; }));
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(PageSizeViewTest, GridPickersOfferOneToTenAndWriteOneField)
{
    PageLayoutView view(binding(), &defaults);
    auto* rows = view.findChild<QComboBox*>("rowsPicker");
    auto* columns = view.findChild<QComboBox*>("columnsPicker");
    EXPECT_EQ(rows->itemText(rows->count() - 1), "10");
    EXPECT_EQ(rows->currentText(), "2");
    EXPECT_EQ(columns->currentText(), "2");
    emit rows->activated(4);
    EXPECT_EQ(model.get(), edited([](auto& l) { l.rows = 5; }));
    emit rows->activated(4); // the same choice again is no change
    EXPECT_EQ(changes.count(), 1);
    // Values no option stands for show no selection and are kept; a preset shows at once.
    model.modify([](auto& l) { l.rows = 12, l.columns = 0; });
    EXPECT_EQ(rows->currentIndex(), -1);
    EXPECT_EQ(columns->currentIndex(), -1);
    EXPECT_EQ(model.get().rows, 12);
    model.modify([](auto& l) { l.rows = l.columns = 1; });
    EXPECT_EQ(rows->currentText(), "1");
    EXPECT_EQ(columns->currentText(), "1");
}

TEST(UnitFormatter, ShowsPointsInTheChosenUnit)
{
    const struct {
        LayoutUnits units;
        double points;
        const char* text;
    } rows[] = {
        // The page editor's table shows the usual sizes in each unit.
        {LayoutUnits::imperial, 4.5, "0.062 in"}, // 0.0625: ties go to even
        {LayoutUnits::metric, 595.3, "210.009 mm"},
        {LayoutUnits::points, 1224, "1,224 pt"},
        {LayoutUnits::points, 595.3, "595.3 pt"}, // fractions are shown, only typed ones are refused
        {LayoutUnits::points, -5, "-5"},          // only the positive suffix exists
        {LayoutUnits::points, 0, "0 pt"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(formatter(row.units).format(row.points, usEnglish), QString::fromUtf8(row.text))
            << row.points << " " << rawValue(row.units).toStdString();
}

TEST(UnitFormatter, ParsesTypedTextIntoPointsAndRefusesGarbage)
{
    const struct {
        LayoutUnits units;
        const char* text;
        std::optional<double> points;
    } rows[] = {
        {LayoutUnits::imperial, "11 in", 792},
        {LayoutUnits::imperial, "11", 792},
        {LayoutUnits::imperial, " 11in ", 792},
        {LayoutUnits::imperial, "8.5 IN", 612},
        {LayoutUnits::metric, "210 mm", 595.275591},
        {LayoutUnits::points, "1,224 pt", 1224},
        {LayoutUnits::points, "12.0", 12},
        {LayoutUnits::points, "12.5", std::nullopt},
        {LayoutUnits::imperial, "11 mm", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto parsed = formatter(row.units).parse(QString::fromUtf8(row.text), usEnglish);
        EXPECT_NEAR(parsed.value_or(-1), row.points.value_or(-1), 1e-9) << row.text;
    }
    EXPECT_EQ(*inchesFormatter().parse(QStringLiteral("11"), usEnglish), 792.0); // exactly, no drift
    for (auto units : allLayoutUnits())
        for (const char* garbage : {"", "   ", "abc", "nan", "inf", "-inf", "1e400", "--3"})
            EXPECT_FALSE(formatter(units).parse(QString::fromUtf8(garbage), usEnglish)) << garbage;
}

TEST_F(PageSizeViewTest, StoredUnitFallsBackToInchesAndSignalsRealChangesOnly)
{
    EXPECT_EQ(storedLayoutUnits(defaults), LayoutUnits::imperial);
    defaults.setString(QStringLiteral("units"), QStringLiteral("bogus"));
    EXPECT_EQ(storedLayoutUnits(defaults), LayoutUnits::imperial);
    EXPECT_EQ(defaults.string(QStringLiteral("units")), QStringLiteral("bogus")); // not rewritten
    QSignalSpy spy(&defaults, &KestrelExtensions::UserDefaults::changed);
    storeLayoutUnits(defaults, LayoutUnits::metric);
    storeLayoutUnits(defaults, LayoutUnits::metric);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(storedLayoutUnits(defaults), LayoutUnits::metric);
    EXPECT_EQ(defaults.string(QStringLiteral("units")), QStringLiteral("metric"));
}
