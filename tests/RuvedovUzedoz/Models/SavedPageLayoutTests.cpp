#include "KestrelExtensions/Coding/CodingError.h"
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

QStringList presentKeys(const SavedPageLayout& saved)
{
    QStringList keys = saved.toJson().toObject().keys();
    keys.sort();
    return keys;
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

TEST(SavedPageLayoutTests, WrongTypesFailTheWholeFile)
{
    const struct {
        const char* json;
        DecodingError::Kind kind;
    } table[] = {
        {R"({"width": "792"})", DecodingError::Kind::TypeMismatch},
        {R"({"enableQuartz": 1})", DecodingError::Kind::TypeMismatch},
        {R"({"rows": 2.5})", DecodingError::Kind::DataCorrupted},
        {R"({"fontName": 12})", DecodingError::Kind::TypeMismatch},
        {R"({"fontColor": [1, 0, 0]})", DecodingError::Kind::DataCorrupted},
        {R"({"backgroundColor": "white"})", DecodingError::Kind::TypeMismatch},
        {"[1, 2]", DecodingError::Kind::TypeMismatch},
    };
    for (const auto& row : table) {
        const QJsonDocument document = QJsonDocument::fromJson(row.json);
        const QJsonValue value =
            document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        try {
            SavedPageLayout::fromJson(value);
            ADD_FAILURE() << row.json << " was read";
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), row.kind) << row.json;
        }
    }
    try {
        read(R"({"fontColor": [1, 0, 0]})");
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.debugDescription(), QStringLiteral("At two or four color components are required."));
        EXPECT_EQ(error.codingPath(), QStringList{"fontColor"});
    }
}

// The keys as existing files have them, written out here apart from the field table: a field read from
// or written to another field's key would load every saved layout wrong.
TEST(SavedPageLayoutTests, EachKeyHoldsItsOwnField)
{
    // The same values as everyFieldChanged(), keyed as saved files have them.
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
            const QJsonObject saved = SavedPageLayout::from(layout).toJson().toObject();
            for (const auto& [otherKey, otherMember] : switches) {
                EXPECT_EQ(loaded.*otherMember, otherKey == key ? value : !value) << key << " " << otherKey;
                EXPECT_EQ(saved.value(QLatin1String(otherKey)).toBool(), otherKey == key ? value : !value)
                    << key << " " << otherKey;
            }
        }
    }
}

TEST(SavedPageLayoutTests, RoundTripAndNonFiniteNumbers)
{
    const SavedPageLayout full = SavedPageLayout::from(everyFieldChanged());
    const QString json = written(full);
    EXPECT_EQ(presentKeys(full).size(), 19);
    EXPECT_FALSE(json.contains(u'\n'));
    EXPECT_EQ(SavedPageLayout::fromJson(QJsonDocument::fromJson(json.toUtf8()).object()), full);

    SavedPageLayout infinite{.height = 10, .fontSize = qInf()};
    EXPECT_THROW(infinite.toJson(), KestrelExtensions::EncodingError);
    EXPECT_THROW(SavedPageLayout{.margin = qQNaN()}.toJson(), KestrelExtensions::EncodingError);
}

TEST(SavedPageLayoutTests, EqualityAndHash)
{
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
        const QStringList keys = presentKeys(SavedPageLayout::from(everyFieldChanged(), allButOne));
        EXPECT_EQ(keys.size(), 18) << name.toStdString();
        EXPECT_FALSE(keys.contains(name)) << name.toStdString();
    });
    EXPECT_EQ(names, SavedPageLayout::keyNames());

    SavedPageLayout::Options colourOnly;
    colourOnly.selectNone();
    colourOnly.fontColor = true;
    const SavedPageLayout saved = SavedPageLayout::from(everyFieldChanged(), colourOnly);
    EXPECT_EQ(saved, SavedPageLayout{.fontColor = ColorProxy(Color::rgb(1, 0, 0, 1))});
}

TEST(SavedPageLayoutTests, BuiltInLayouts)
{
    const SavedPageLayout defaults = SavedPageLayout::defaultLayout();
    const QJsonObject json = defaults.toJson().toObject();
    EXPECT_EQ(json.size(), 19);
    EXPECT_EQ(json.value("fontColor").toArray(), (QJsonArray{0, 1}));
    EXPECT_EQ(json.value("backgroundColor").toArray(), (QJsonArray{1, 1}));
    const SavedPageLayout reread = SavedPageLayout::fromJson(json);
    EXPECT_EQ(reread, defaults);
    EXPECT_EQ(reread.fontColor->color(), Color::black());

    PageLayout layout = everyFieldChanged();
    layout.apply(defaults);
    expectSameFields(layout, PageLayout::defaultLayout());
    expectSameFields(PageLayout(reread), PageLayout::defaultLayout());

    EXPECT_EQ(written(SavedPageLayout::letterSize()), QStringLiteral(R"({"height":612,"width":792})"));
    EXPECT_EQ(SavedPageLayout::a4Size(), (SavedPageLayout{.width = 595.3, .height = 841.9}));
    EXPECT_EQ(SavedPageLayout::oneUpGrid(), (SavedPageLayout{.rows = 1, .columns = 1}));
    EXPECT_EQ(SavedPageLayout::twoUpGrid(), (SavedPageLayout{.rows = 1, .columns = 2}));
    EXPECT_EQ(SavedPageLayout::fourUpGrid(), (SavedPageLayout{.rows = 2, .columns = 2}));

    PageLayout twoUp = everyFieldChanged();
    twoUp.apply(SavedPageLayout::twoUpGrid());
    PageLayout expected = everyFieldChanged();
    expected.rows = 1;
    expected.columns = 2;
    EXPECT_EQ(twoUp, expected);
}

TEST(SavedPageLayoutTests, ApplyingSkipsValuesNoPageCanUse)
{
    KestrelExtensions::LogCapture log;
    const SavedPageLayout unusable{.width = 0,
                                   .height = -5,
                                   .margin = -1,
                                   .imageQuality = qQNaN(),
                                   .fontSize = 0,
                                   .rows = 0,
                                   .columns = 1001};
    PageLayout layout = everyFieldChanged();
    layout.apply(unusable);
    EXPECT_EQ(layout, everyFieldChanged());
    EXPECT_EQ(log.systemLines(), (QStringList{
                                     "Skipping unusable layout value width = 0",
                                     "Skipping unusable layout value height = -5",
                                     "Skipping unusable layout value margin = -1",
                                     "Skipping unusable layout value imageQuality = nan",
                                     "Skipping unusable layout value fontSize = 0",
                                     "Skipping unusable layout value rows = 0",
                                     "Skipping unusable layout value columns = 1001",
                                 }));

    // Unusual but drawable values are kept: a zero margin, a grid of 1000, a quality above 1.
    log.clear();
    layout.apply(SavedPageLayout{.margin = 0, .imageQuality = 3, .rows = 1000, .columns = 1});
    EXPECT_EQ(layout.margin, 0);
    EXPECT_EQ(layout.imageQuality, 3);
    EXPECT_EQ(layout.rows, 1000);
    EXPECT_TRUE(log.systemLines().isEmpty());
}
