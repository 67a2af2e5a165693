#include "KestrelExtensions/Coding/CodingError.h"
#include "RuvedovUzedoz/Layouts/ColorProxy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using KestrelExtensions::DecodingError;

namespace {

QJsonValue parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray("[") + json + "]").array().at(0);
}

QString written(const ColorProxy& proxy)
{
    return QString::fromUtf8(QJsonDocument(proxy.toJson().toArray()).toJson(QJsonDocument::Compact));
}

} // namespace

TEST(ColorTests, EqualityNeedsTheSameSpaceAndComponents)
{
    EXPECT_EQ(Color::black(), Color::gray(0, 1));
    EXPECT_EQ(Color::white(), Color::gray(1, 1));
    EXPECT_NE(Color::white(), Color::rgb(1, 1, 1, 1));
    EXPECT_NE(Color::gray(0.5, 1), Color::gray(0.5, 0.5));
    EXPECT_EQ(Color::gray(0.0, 1), Color::gray(-0.0, 1));
    EXPECT_EQ(qHash(Color::gray(0.0, 1)), qHash(Color::gray(-0.0, 1)));
    EXPECT_EQ(qHash(Color::rgb(0.1, 0.2, 0.3, 1)), qHash(Color::rgb(0.1, 0.2, 0.3, 1)));
    EXPECT_EQ(Color(), Color::black());
}

TEST(ColorTests, GreyDrawsAsEqualRedGreenAndBlue)
{
    EXPECT_EQ(Color::gray(0.25, 0.5).toRgba(), (std::array<double, 4>{0.25, 0.25, 0.25, 0.5}));
    EXPECT_EQ(Color::rgb(0.1, 0.2, 0.3, 0.4).toRgba(), (std::array<double, 4>{0.1, 0.2, 0.3, 0.4}));
}

TEST(ColorProxyTests, DecodesTwoNumbersAsGreyAndFourAsRgb)
{
    const struct {
        const char* json;
        Color expected;
    } rows[] = {
        {"[0.5, 1]", Color::gray(0.5, 1)},
        {"[1, 0, 0, 1]", Color::rgb(1, 0, 0, 1)},
        {"[0, 0, 0, 0]", Color::rgb(0, 0, 0, 0)},
        {"[2, -1]", Color::gray(2, -1)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ColorProxy::fromJson(parse(row.json)).color(), row.expected) << row.json;
}

TEST(ColorProxyTests, OtherCountsAreCorruptedDataAndOtherShapesTypeErrors)
{
    for (const char* json : {"[]", "[1]", "[1, 0, 0]", "[1, 0, 0, 1, 1]"}) {
        try {
            ColorProxy::fromJson(parse(json), {QStringLiteral("fontColor")});
            ADD_FAILURE() << json << " decoded";
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), DecodingError::Kind::DataCorrupted) << json;
            EXPECT_EQ(error.debugDescription(),
                      QStringLiteral("At two or four color components are required."));
            EXPECT_EQ(error.codingPath(), QStringList{QStringLiteral("fontColor")});
        }
    }
    for (const char* json : {"{\"r\": 1}", "\"red\"", "null", "[true, 1]", "[\"1\", 0]", "[null, 1]"}) {
        try {
            ColorProxy::fromJson(parse(json));
            ADD_FAILURE() << json << " decoded";
        } catch (const DecodingError& error) {
            EXPECT_NE(error.kind(), DecodingError::Kind::DataCorrupted) << json;
        }
    }
}

TEST(ColorProxyTests, WritesComponentsAndReadsBackTheNumbers)
{
    EXPECT_EQ(written(ColorProxy(Color::black())), QStringLiteral("[0,1]"));
    EXPECT_EQ(written(ColorProxy(Color::white())), QStringLiteral("[1,1]"));
    EXPECT_EQ(written(ColorProxy(Color::rgb(0.25, 0.5, 0.75, 1))), QStringLiteral("[0.25,0.5,0.75,1]"));
    for (const Color& color : {Color::gray(0.3, 0.7), Color::rgb(0.1, 0.2, 0.3, 0.9)}) {
        const ColorProxy proxy(color);
        EXPECT_EQ(ColorProxy::fromJson(proxy.toJson()), proxy);
        EXPECT_EQ(qHash(ColorProxy::fromJson(proxy.toJson())), qHash(proxy));
    }
    EXPECT_THROW(ColorProxy(Color::gray(qQNaN(), 1)).toJson(), KestrelExtensions::EncodingError);
}
