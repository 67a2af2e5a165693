#include "KestrelExtensions/Coding/CodingError.h"
#include "RuvedovUzedoz/Layouts/PageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayoutFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace RuvedovUzedoz;
using KestrelExtensions::DecodingError;

TEST(PageLayoutTests, DefaultAndScaled)
{
    const PageLayout expected(792, 612, 18, true, 1, 1, 300, 2048, 0, false, true, true, true, 12,
                              Color::black(), "Futura", Color::white(), 2, 2);
    EXPECT_EQ(PageLayout::defaultLayout(), expected);
    EXPECT_EQ(PageLayout(), expected);
    EXPECT_EQ(expected.center(), QPointF(396, 306));
    EXPECT_EQ(PageLayout::scaled(11, 8.5, 0.25, 72, 1, 2048, false, true, true, 2, 2, Color::white(), true,
                                 12, "Futura", Color::black()),
              expected);
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
    // Differs from the default in every field; the font colour only in its colour space.
    const PageLayout other(100, 200, 5, false, 0.4, 2, 150, 512, 16, true, false, false, false, 8,
                           Color::rgb(0, 0, 0, 1), "DejaVu Serif", Color::rgb(1, 1, 1, 1), 4, 5);
    int fields = 0;
    forEachSavedPageLayoutField([&](const QString& name, auto, auto member, auto) {
        PageLayout changed = base;
        changed.*member = other.*member;
        EXPECT_NE(changed, base) << name.toStdString();
        EXPECT_NE(qHash(changed), qHash(base)) << name.toStdString();
        ++fields;
    });
    EXPECT_EQ(fields, 19);
    PageLayout negativeZero = base;
    negativeZero.margin = -0.0;
    PageLayout positiveZero = base;
    positiveZero.margin = 0;
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

TEST(PageLayoutTests, JsonRoundTripAndNonFiniteNumbers)
{
    const QJsonObject json = PageLayout::defaultLayout().toJson().toObject();
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
    custom.width = qQNaN();
    EXPECT_THROW(custom.toJson(), KestrelExtensions::EncodingError);
    custom.width = 10;
    custom.fontSize = qInf();
    EXPECT_THROW(custom.toJson(), KestrelExtensions::EncodingError);
}

// A layout file must hold every key; a saved one only those it sets (null is not set).
TEST(PageLayoutTests, WrongOrMissingValuesFailTheWholeFile)
{
    using Kind = DecodingError::Kind;
    const struct {
        const char* key;
        QJsonValue value; // undefined: the key is left out
        std::optional<Kind> layout, saved;
        const char* index = nullptr;
    } rows[] = {
        {"columns", QJsonValue::Undefined, Kind::KeyNotFound, std::nullopt},
        {"backgroundColor", QJsonValue::Null, Kind::ValueNotFound, std::nullopt},
        {"fontColor", QJsonArray{1, 0, 0}, Kind::DataCorrupted, Kind::DataCorrupted},
        {"rows", 2.5, Kind::DataCorrupted, Kind::DataCorrupted},
        {"enableQuartz", 1, Kind::TypeMismatch, Kind::TypeMismatch},
        {"width", "792", Kind::TypeMismatch, Kind::TypeMismatch},
        {"fontName", 12, Kind::TypeMismatch, Kind::TypeMismatch},
        {"backgroundColor", "white", Kind::TypeMismatch, Kind::TypeMismatch},
        {"foo", "bar", std::nullopt, std::nullopt},
        {"fontColor", QJsonArray{}, Kind::DataCorrupted, Kind::DataCorrupted},
        {"fontColor", QJsonArray{1}, Kind::DataCorrupted, Kind::DataCorrupted},
        {"fontColor", QJsonArray{1, 0, 0, 1, 1}, Kind::DataCorrupted, Kind::DataCorrupted},
        {"fontColor", QJsonArray{2, -1}, std::nullopt, std::nullopt},
        {"fontColor", QJsonObject{{"r", 1}}, Kind::TypeMismatch, Kind::TypeMismatch},
        {"fontColor", QJsonArray{true, 1}, Kind::TypeMismatch, Kind::TypeMismatch, "Index 0"},
        {"fontColor", QJsonArray{0, "1"}, Kind::TypeMismatch, Kind::TypeMismatch, "Index 1"},
        {"fontColor", QJsonArray{QJsonValue::Null, 1}, Kind::ValueNotFound, Kind::ValueNotFound, "Index 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        QJsonObject full = PageLayout::defaultLayout().toJson().toObject(), single;
        full.remove(row.key);
        if (!row.value.isUndefined()) {
            full.insert(row.key, row.value);
            single.insert(row.key, row.value);
        }
        const auto expectFailure = [&](std::optional<Kind> kind, const std::function<void()>& read) {
            try {
                read();
                EXPECT_FALSE(kind);
            } catch (const DecodingError& error) {
                EXPECT_EQ(error.kind(), kind);
                EXPECT_EQ(error.codingPath(),
                          QStringList{row.key} + (row.index ? QStringList{row.index} : QStringList()));
                EXPECT_EQ(error.debugDescription() == "At two or four color components are required.",
                          row.key == QLatin1String("fontColor") && kind == Kind::DataCorrupted);
            }
        };
        expectFailure(row.layout, [&] { PageLayout::fromJson(full); });
        expectFailure(row.saved, [&] { SavedPageLayout::fromJson(single); });
    }
    // The colours are read last: a missing row count is reported before a broken colour.
    QJsonObject twoFaults = PageLayout::defaultLayout().toJson().toObject();
    twoFaults.remove("rows");
    twoFaults.insert("fontColor", QJsonArray{1, 0, 0});
    EXPECT_THROW(PageLayout::fromJson(QJsonArray{}), DecodingError);
    EXPECT_THROW(SavedPageLayout::fromJson(QJsonArray{1, 2}), DecodingError);
    try {
        PageLayout::fromJson(twoFaults);
        ADD_FAILURE();
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.codingPath(), QStringList{"rows"});
    }
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
    const auto changed = [&](const QString& key, QVariant value) {
        QVariantMap map = raw;
        if (value.isValid())
            map.insert(key, value);
        else
            map.remove(key);
        return PageLayout::fromRawValue(map);
    };
    EXPECT_EQ(changed("foo", 1), std::nullopt);
    EXPECT_EQ(changed("fontColor", QVariantList{0, 1}), std::nullopt);
    // Every key is required, each with a value of its own type.
    for (const QString& key : PageLayout::keyNames()) {
        EXPECT_EQ(changed(key, QVariant()), std::nullopt) << key.toStdString();
        EXPECT_EQ(changed(key, key == "fontName" ? QVariant(5) : QVariant(key)), std::nullopt)
            << key.toStdString();
    }
}
