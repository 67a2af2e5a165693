#include "KestrelExtensions/Coding/CodingError.h"
#include "RuvedovUzedoz/Layouts/BuiltInLayout.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayoutFields.h"
#include "support/LogCapture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using KestrelExtensions::DecodingError;

namespace {

SavedPageLayout read(const char* json)
{
    return SavedPageLayout::fromJson(QJsonDocument::fromJson(json).object());
}

QString written(const SavedPageLayout& saved)
{
    return QString::fromUtf8(QJsonDocument(saved.toJson().toObject()).toJson(QJsonDocument::Compact));
}

// A layout that differs from the default in every field.
PageLayout everyFieldChanged()
{
    return PageLayout(100, 200, 5, false, 0.4, 2, 150, 512, 16, true, false, false, false, 8,
                      Color::rgb(1, 0, 0, 1), "DejaVu Serif", Color::gray(0.2, 1), 4, 5);
}

// Field by field through the one field table, so a field missing from either side shows up.
void expectSameFields(const PageLayout& actual, const PageLayout& expected)
{
    forEachSavedPageLayoutField([&](const QString& name, auto, auto layoutMember, auto) {
        EXPECT_TRUE(actual.*layoutMember == expected.*layoutMember) << name.toStdString();
    });
    EXPECT_EQ(actual, expected);
}

} // namespace

TEST(SavedPageLayoutTests, PartialFilesApplyOnlyWhatTheyHold)
{
    const SavedPageLayout empty = read("{}");
    EXPECT_EQ(empty, SavedPageLayout{});
    EXPECT_EQ(written(empty), QStringLiteral("{}"));
    PageLayout layout = everyFieldChanged();
    layout.apply(empty);
    EXPECT_EQ(layout, everyFieldChanged());
    EXPECT_EQ(PageLayout(empty), PageLayout::defaultLayout());
    PageLayout threeRows;
    threeRows.apply(read(R"({"rows": 3})"));
    PageLayout expected;
    expected.rows = 3;
    expectSameFields(threeRows, expected);
    EXPECT_EQ(read(R"({"foo": 1, "rows": 2})"), SavedPageLayout{.rows = 2});
    const SavedPageLayout nullRows = read(R"({"rows": null, "width": 10})");
    EXPECT_EQ(nullRows, SavedPageLayout{.width = 10});
    EXPECT_EQ(written(nullRows), QStringLiteral(R"({"width":10})"));
    EXPECT_EQ(read(R"({"fontColor": [0.5, 1], "backgroundColor": null})").fontColor,
              ColorProxy(Color::gray(0.5, 1)));
}

// The keys as existing files have them, written out here apart from the field table.
TEST(SavedPageLayoutTests, EachKeyHoldsItsOwnField)
{
    const char* file = R"({"width": 100, "height": 200, "margin": 5, "enableQuartz": false,
        "imageQuality": 0.4, "imageScaleFactor": 2, "imageResolution": 150, "imageSizeMax": 512,
        "imageSizeMin": 16, "drawsBoundingBox": true, "drawsImages": false, "drawsBackground": false,
        "showsLabel": false, "fontSize": 8, "fontColor": [1, 0, 0, 1], "fontName": "DejaVu Serif",
        "backgroundColor": [0.2, 1], "rows": 4, "columns": 5})";
    PageLayout loaded;
    loaded.apply(read(file));
    expectSameFields(loaded, everyFieldChanged());
    expectSameFields(PageLayout(read(file)), everyFieldChanged());
    EXPECT_EQ(SavedPageLayout::from(everyFieldChanged()).toJson().toObject(),
              QJsonDocument::fromJson(file).object());

    // The switches one at a time, each against all the others, both ways.
    const std::pair<const char*, bool PageLayout::*> switches[] = {
        {"enableQuartz", &PageLayout::enableQuartz},
        {"drawsBoundingBox", &PageLayout::drawsBoundingBox},
        {"drawsImages", &PageLayout::drawsImages},
        {"drawsBackground", &PageLayout::drawsBackground},
        {"showsLabel", &PageLayout::showsLabel}};
    for (const bool value : {true, false}) {
        for (const auto& [key, member] : switches) {
            QJsonObject file;
            PageLayout layout;
            for (const auto& [otherKey, otherMember] : switches) {
                file.insert(QLatin1String(otherKey), otherKey == key ? value : !value);
                layout.*otherMember = otherKey == key ? value : !value;
            }
            PageLayout loaded;
            loaded.apply(SavedPageLayout::fromJson(file));
            EXPECT_EQ(loaded, layout) << key;
            EXPECT_EQ(PageLayout(SavedPageLayout::fromJson(SavedPageLayout::from(layout).toJson())), layout)
                << key;
        }
    }
}

TEST(SavedPageLayoutTests, EqualityAndNonFiniteNumbers)
{
    EXPECT_THROW((SavedPageLayout{.height = 10, .fontSize = qInf()}.toJson()),
                 KestrelExtensions::EncodingError);
    EXPECT_THROW(SavedPageLayout{.margin = qQNaN()}.toJson(), KestrelExtensions::EncodingError);
    EXPECT_NE(SavedPageLayout{.rows = 2}, SavedPageLayout{.columns = 2});
    EXPECT_EQ(qHash(SavedPageLayout::from(PageLayout())), qHash(SavedPageLayout::defaultLayout()));
    EXPECT_NE(qHash(SavedPageLayout{}), qHash(SavedPageLayout{.drawsImages = false}));
    EXPECT_NE(SavedPageLayout{.fontColor = ColorProxy(Color::white())},
              SavedPageLayout{.fontColor = ColorProxy(Color::rgb(1, 1, 1, 1))});
}

TEST(SavedPageLayoutTests, OptionsChooseTheFieldsKept)
{
    SavedPageLayout::Options options;
    EXPECT_EQ(SavedPageLayout::from(everyFieldChanged(), options),
              SavedPageLayout::from(everyFieldChanged()));
    options.selectNone();
    EXPECT_EQ(written(SavedPageLayout::from(everyFieldChanged(), options)), QStringLiteral("{}"));
    options.selectAll();
    EXPECT_EQ(options, SavedPageLayout::Options());
    // Each flag alone: exactly its own field goes missing.
    QStringList names;
    forEachSavedPageLayoutField([&](const QString& name, auto, auto, auto option) {
        names.append(name);
        SavedPageLayout::Options allButOne;
        allButOne.*option = false;
        const QJsonObject kept = SavedPageLayout::from(everyFieldChanged(), allButOne).toJson().toObject();
        EXPECT_EQ(kept.size(), 18) << name.toStdString();
        EXPECT_FALSE(kept.contains(name)) << name.toStdString();
    });
    EXPECT_EQ(names, SavedPageLayout::keyNames());
    SavedPageLayout::Options colourOnly;
    colourOnly.selectNone();
    colourOnly.fontColor = true;
    EXPECT_EQ(SavedPageLayout::from(everyFieldChanged(), colourOnly),
              SavedPageLayout{.fontColor = ColorProxy(Color::rgb(1, 0, 0, 1))});
}

TEST(SavedPageLayoutTests, BuiltInLayouts)
{
    const SavedPageLayout defaults = SavedPageLayout::defaultLayout();
    const QJsonObject json = defaults.toJson().toObject();
    EXPECT_EQ(SavedPageLayout::fromJson(json), defaults);
    PageLayout layout = everyFieldChanged();
    layout.apply(defaults);
    expectSameFields(layout, PageLayout::defaultLayout());
    expectSameFields(PageLayout(SavedPageLayout::fromJson(json)), PageLayout::defaultLayout());
    // The presets are the papers they name, in points: US sizes landscape, metric ones as cut.
    using Id = BuiltInLayout::Id;
    const double inch = 72, mm = 72 / 25.4;
    const std::tuple<Id, double, double> papers[] = {{Id::Letter, 11 * inch, 8.5 * inch},
                                                     {Id::Legal, 14 * inch, 8.5 * inch},
                                                     {Id::Ledger, 17 * inch, 11 * inch},
                                                     {Id::A4, 210 * mm, 297 * mm},
                                                     {Id::A3, 420 * mm, 297 * mm}};
    for (const auto& [id, width, height] : papers) {
        const SavedPageLayout& preset = builtInLayout(id).layout;
        EXPECT_NEAR(preset.width.value_or(0), width, 0.1) << builtInLayout(id).name.toStdString();
        EXPECT_NEAR(preset.height.value_or(0), height, 0.1) << builtInLayout(id).name.toStdString();
    }
    for (const auto& [id, cells] : {std::pair{Id::OneUp, 1}, {Id::TwoUp, 2}, {Id::FourUp, 4}})
        EXPECT_EQ(builtInLayout(id).layout.rows.value_or(0) * builtInLayout(id).layout.columns.value_or(0),
                  cells);
    for (const BuiltInLayout& preset : builtInLayouts())
        EXPECT_EQ(&builtInLayout(preset.id), &preset);
}

TEST(SavedPageLayoutTests, ApplyingSkipsValuesNoPageCanUse)
{
    KestrelExtensions::LogCapture log;
    PageLayout layout = everyFieldChanged();
    layout.apply(SavedPageLayout{.width = 0,
                                 .height = -5,
                                 .margin = -0.1,
                                 .imageQuality = qQNaN(),
                                 .fontSize = 0,
                                 .rows = 0,
                                 .columns = 1001});
    EXPECT_EQ(layout, everyFieldChanged());
    QStringList skipped{"width = 0",          "height = -5",  "margin = -0.10000000000000001",
                        "imageQuality = nan", "fontSize = 0", "rows = 0",
                        "columns = 1001"};
    for (QString& line : skipped)
        line.prepend("Skipping unusable layout value ");
    EXPECT_EQ(log.systemLines(), skipped);
    // Unusual but drawable values are kept: a tiny page, a zero margin, a grid of 1000, a quality above 1.
    log.clear();
    layout.apply(SavedPageLayout{.width = 0.5, .margin = 0, .imageQuality = 3, .rows = 1000, .columns = 1});
    EXPECT_EQ(layout.width, 0.5);
    EXPECT_EQ(layout.margin, 0);
    EXPECT_EQ(layout.imageQuality, 3);
    EXPECT_EQ(layout.rows, 1000);
    EXPECT_TRUE(log.systemLines().isEmpty());
}
