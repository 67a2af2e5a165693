#include "KestrelExtensions/Coding/CodingError.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <limits>

using namespace RuvedovUzedoz;
using KestrelExtensions::DecodingError;

namespace {

QJsonObject defaultJson()
{
    return PageLayout::defaultLayout().toJson().toObject();
}

// The error that reading `object` throws, or nullopt when it reads.
std::optional<DecodingError> readError(const QJsonObject& object)
{
    try {
        PageLayout::fromJson(object);
    } catch (const DecodingError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

TEST(PageLayoutTests, DefaultRotationAndScaling)
{
    const PageLayout expected(792, 612, 18, true, 1, 1, 300, 2048, 0, false, true, true, true, 12,
                              Color::black(), "Futura", Color::white(), 2, 2);
    EXPECT_EQ(PageLayout::defaultLayout(), expected);
    EXPECT_EQ(PageLayout(), expected);
    EXPECT_EQ(expected.center(), QPointF(396, 306));

    PageLayout rotated = expected;
    rotated.swapDimensions();
    EXPECT_EQ(rotated.width, 612);
    EXPECT_EQ(rotated.height, 792);
    EXPECT_EQ(rotated.margin, 18);
    rotated.swapDimensions();
    EXPECT_EQ(rotated, expected);

    const PageLayout inches = PageLayout::scaled(11, 8.5, 0.25, 72, 1, 2048, false, true, true, 2, 2,
                                                 Color::white(), true, 12, "Futura", Color::black());
    EXPECT_EQ(inches, expected);
}

TEST(PageLayoutTests, PagesNeeded)
{
    constexpr qint64 maxInt = std::numeric_limits<qint64>::max();
    const struct {
        qint64 rows, columns, count, pages;
    } table[] = {
        {2, 2, 0, 0}, {2, 2, 1, 1},  {2, 2, 4, 1},   {2, 2, 5, 2},      {2, 2, 8, 2},
        {2, 2, 9, 3}, {1, 1, 0, 0},  {1, 1, 7, 7},   {3, 4, 13, 2},     {10, 10, 100, 1},
        {0, 2, 5, 0}, {2, -1, 5, 0}, {-1, -1, 5, 0}, {maxInt, 2, 5, 0}, {1, maxInt, maxInt, 1},
    };
    for (const auto& row : table) {
        PageLayout layout;
        layout.rows = row.rows;
        layout.columns = row.columns;
        EXPECT_EQ(layout.pagesNeeded(row.count), row.pages)
            << row.rows << "x" << row.columns << " " << row.count;
    }
}

TEST(PageLayoutTests, EqualityAndHashCoverEveryField)
{
    const PageLayout base;
    EXPECT_EQ(qHash(base), qHash(PageLayout::defaultLayout()));

    std::vector<PageLayout> changed(19, base);
    changed[0].width = 1;
    changed[1].height = 1;
    changed[2].margin = 1;
    changed[3].enableQuartz = false;
    changed[4].imageQuality = 0.5;
    changed[5].imageScaleFactor = 2;
    changed[6].imageResolution = 72;
    changed[7].imageSizeMax = 512;
    changed[8].imageSizeMin = 1;
    changed[9].drawsBoundingBox = true;
    changed[10].drawsImages = false;
    changed[11].drawsBackground = false;
    changed[12].showsLabel = false;
    changed[13].fontSize = 9;
    changed[14].fontColor = Color::rgb(0, 0, 0, 1); // same look, other colour space
    changed[15].fontName = "DejaVu Sans";
    changed[16].backgroundColor = Color::rgb(1, 1, 1, 1);
    changed[17].rows = 3;
    changed[18].columns = 3;
    for (size_t i = 0; i < changed.size(); ++i) {
        EXPECT_NE(changed[i], base) << "field " << i;
        EXPECT_NE(qHash(changed[i]), qHash(base)) << "field " << i;
    }

    PageLayout negativeZero = base;
    negativeZero.margin = 0;
    PageLayout positiveZero = base;
    positiveZero.margin = -0.0;
    EXPECT_EQ(negativeZero, positiveZero);
    EXPECT_EQ(qHash(negativeZero), qHash(positiveZero));
}

TEST(PageLayoutTests, CodingKeysMatchTheFieldNamesExactly)
{
    const auto& keys = PageLayout::allCodingKeys();
    ASSERT_EQ(keys.size(), 19u);
    EXPECT_EQ(PageLayout::stringValue(keys[5]), QStringLiteral("imageScaleFactor"));
    for (const auto key : keys)
        EXPECT_EQ(PageLayout::codingKey(PageLayout::stringValue(key)), key);
    EXPECT_EQ(PageLayout::codingKey(QStringLiteral("Width")), std::nullopt);
    EXPECT_EQ(PageLayout::codingKey(0), std::nullopt);
    const QVariantMap raw = PageLayout::defaultLayout().rawValue();
    EXPECT_EQ(PageLayout::keyNames(), QSet<QString>(raw.keyBegin(), raw.keyEnd()));
}

TEST(PageLayoutTests, JsonRoundTrip)
{
    const QJsonObject json = defaultJson();
    EXPECT_EQ(json.size(), 19);
    EXPECT_EQ(json.value("fontColor").toArray(), (QJsonArray{0, 1}));
    EXPECT_EQ(json.value("backgroundColor").toArray(), (QJsonArray{1, 1}));
    const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
    EXPECT_TRUE(text.contains("\"rows\":2,")) << text.constData();
    EXPECT_EQ(PageLayout::fromJson(QJsonDocument::fromJson(text).object()), PageLayout::defaultLayout());

    PageLayout custom;
    custom.width = 595.3;
    custom.fontColor = Color::rgb(0.2, 0.4, 0.6, 0.8);
    custom.fontName = "Zapfino – ünïcode";
    custom.rows = 7;
    custom.enableQuartz = false;
    EXPECT_EQ(PageLayout::fromJson(custom.toJson()), custom);
}

TEST(PageLayoutTests, JsonReadFailures)
{
    const auto without = [](const char* key) {
        QJsonObject object = defaultJson();
        object.remove(key);
        return object;
    };
    const auto with = [](const char* key, QJsonValue value) {
        QJsonObject object = defaultJson();
        object.insert(key, value);
        return object;
    };
    const struct {
        const char* name;
        QJsonObject object;
        DecodingError::Kind kind;
        const char* key;
    } table[] = {
        {"missing columns", without("columns"), DecodingError::Kind::KeyNotFound, "columns"},
        {"three colour numbers", with("fontColor", QJsonArray{1, 0, 0}), DecodingError::Kind::DataCorrupted,
         "fontColor"},
        {"null colour", with("backgroundColor", QJsonValue::Null), DecodingError::Kind::ValueNotFound,
         "backgroundColor"},
        {"fractional rows", with("rows", 2.5), DecodingError::Kind::DataCorrupted, "rows"},
        {"number for a flag", with("enableQuartz", 1), DecodingError::Kind::TypeMismatch, "enableQuartz"},
        {"string for a number", with("width", "792"), DecodingError::Kind::TypeMismatch, "width"},
    };
    for (const auto& row : table) {
        const auto error = readError(row.object);
        ASSERT_TRUE(error) << row.name;
        EXPECT_EQ(error->kind(), row.kind) << row.name;
        EXPECT_EQ(error->codingPath(), QStringList{row.key}) << row.name;
    }

    // The colours are read last: a missing row count is reported before a broken colour.
    QJsonObject twoFaults = without("rows");
    twoFaults.insert("fontColor", QJsonArray{1, 0, 0});
    EXPECT_EQ(readError(twoFaults)->codingPath(), QStringList{"rows"});

    EXPECT_FALSE(readError(with("foo", "bar")));
    EXPECT_THROW(PageLayout::fromJson(QJsonArray{}), DecodingError);
}

TEST(PageLayoutTests, NonFiniteNumbersAreNotWritten)
{
    PageLayout layout;
    layout.width = qQNaN();
    EXPECT_THROW(layout.toJson(), KestrelExtensions::EncodingError);
    layout.width = 10;
    layout.fontSize = qInf();
    EXPECT_THROW(layout.toJson(), KestrelExtensions::EncodingError);
}

TEST(PageLayoutTests, DictionaryForm)
{
    PageLayout layout;
    layout.rows = 5;
    layout.backgroundColor = Color::rgb(0.1, 0.1, 0.1, 1);
    const QVariantMap raw = layout.rawValue();
    EXPECT_EQ(raw.size(), 19);
    EXPECT_EQ(raw.value("backgroundColor").value<Color>(), layout.backgroundColor);
    EXPECT_EQ(raw.value("rows").typeId(), QMetaType::LongLong);
    EXPECT_EQ(PageLayout::fromRawValue(raw), layout);

    QVariantMap extra = raw;
    extra.insert("foo", 1);
    EXPECT_EQ(PageLayout::fromRawValue(extra), std::nullopt);
    QVariantMap missing = raw;
    missing.remove("rows");
    EXPECT_EQ(PageLayout::fromRawValue(missing), std::nullopt);
    QVariantMap wrongType = raw;
    wrongType.insert("rows", QStringLiteral("5"));
    EXPECT_EQ(PageLayout::fromRawValue(wrongType), std::nullopt);
    QVariantMap componentList = raw;
    componentList.insert("fontColor", QVariantList{0, 1});
    EXPECT_EQ(PageLayout::fromRawValue(componentList), std::nullopt);
}

TEST(PageLayoutTests, CompressionFilterProperties)
{
    const QVariantMap filter = PageLayout::defaultLayout().quartzFilter();
    EXPECT_EQ(filter.keys(), (QStringList{"Domains", "FilterData", "FilterType", "Name"}));
    EXPECT_EQ(filter.value("Name"), QVariant(QStringLiteral("Sheetwright Compressor")));
    EXPECT_EQ(filter.value("FilterType").typeId(), QMetaType::Int);
    EXPECT_EQ(filter.value("FilterType").toInt(), 1);
    EXPECT_EQ(filter.value("Domains").toMap(), (QVariantMap{{"Applications", true}, {"Printing", true}}));
    const QVariantMap filterData = filter.value("FilterData").toMap();
    EXPECT_EQ(filterData.keys(), QStringList{"ColorSettings"});
    const QVariantMap colorSettings = filterData.value("ColorSettings").toMap();
    EXPECT_EQ(colorSettings.keys(), (QStringList{"DocumentColorSettings", "ImageSettings"}));
    EXPECT_EQ(colorSettings.value("DocumentColorSettings").toMap(),
              (QVariantMap{{"CustomLHSCorrection", QVariantList{8, 8, 8}}}));
    const QVariantMap imageSettings = colorSettings.value("ImageSettings").toMap();
    EXPECT_EQ(imageSettings.keys(),
              (QStringList{"Compression Quality", "ImageCompression", "ImageScaleSettings"}));
    EXPECT_EQ(imageSettings.value("Compression Quality"), QVariant(1.0));
    EXPECT_EQ(imageSettings.value("ImageCompression"), QVariant(QStringLiteral("ImageJPEGCompress")));
    EXPECT_EQ(imageSettings.value("ImageScaleSettings").toMap(), (QVariantMap{
                                                                     {"ImageResolution", 300.0},
                                                                     {"ImageScaleFactor", 1.0},
                                                                     {"ImageScaleInterpolate", 3.0},
                                                                     {"ImageSizeMax", 2048.0},
                                                                     {"ImageSizeMin", 0.0},
                                                                 }));

    // Only the layout's own values move.
    PageLayout smaller;
    smaller.imageQuality = 0.3;
    smaller.imageSizeMax = 512;
    const QVariantMap moved =
        smaller.quartzFilter()["FilterData"].toMap()["ColorSettings"].toMap()["ImageSettings"].toMap();
    EXPECT_EQ(moved.value("Compression Quality"), QVariant(0.3));
    EXPECT_EQ(moved.value("ImageScaleSettings").toMap().value("ImageSizeMax"), QVariant(512.0));
    EXPECT_EQ(moved.value("ImageScaleSettings").toMap().value("ImageSizeMin"), QVariant(0.0));
    EXPECT_EQ(moved.value("ImageCompression"), QVariant(QStringLiteral("ImageJPEGCompress")));
}
