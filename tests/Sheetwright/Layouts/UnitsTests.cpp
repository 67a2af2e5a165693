#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "Sheetwright/Layouts/LayoutUnits.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace Sheetwright;

namespace {
const QLocale usEnglish(QLocale::English, QLocale::UnitedStates);
} // namespace

TEST(UnitFormatter, ShowsPointsInTheChosenUnit)
{
    const struct {
        LayoutUnits units;
        double points;
        const char* text;
    } rows[] = {
        {LayoutUnits::imperial, 792, "11 in"},
        {LayoutUnits::imperial, 612, "8.5 in"},
        {LayoutUnits::imperial, 18, "0.25 in"},
        {LayoutUnits::imperial, 4.5, "0.062 in"}, // 0.0625: ties go to even
        {LayoutUnits::metric, 595.3, "210.009 mm"},
        {LayoutUnits::metric, 18, "6.35 mm"},
        {LayoutUnits::metric, 612, "215.9 mm"},
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

TEST(LayoutUnits, StoredSettingFallsBackToInchesAndSignalsRealChangesOnly)
{
    KestrelExtensions::UserDefaults defaults(TestSupport::temporaryHome() + "/units.ini");
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
