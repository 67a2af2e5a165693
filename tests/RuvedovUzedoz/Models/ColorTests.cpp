#include "KestrelExtensions/Coding/CodingError.h"
#include "RuvedovUzedoz/Layouts/ColorProxy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using KestrelExtensions::DecodingError;

TEST(ColorTests, EqualityNeedsTheSameSpaceAndComponents)
{
    EXPECT_EQ(Color(), Color::gray(0, 1));
    EXPECT_EQ(Color::white(), Color::gray(1, 1));
    EXPECT_NE(Color::white(), Color::rgb(1, 1, 1, 1));
    EXPECT_NE(Color::gray(0.5, 1), Color::gray(0.5, 0.5));
    EXPECT_EQ(Color::gray(0.0, 1), Color::gray(-0.0, 1));
    EXPECT_EQ(qHash(Color::gray(0.0, 1)), qHash(Color::gray(-0.0, 1)));
    EXPECT_EQ(Color::gray(0.25, 0.5).toRgba(), (std::array<double, 4>{0.25, 0.25, 0.25, 0.5}));
    EXPECT_EQ(Color::rgb(0.1, 0.2, 0.3, 0.4).toRgba(), (std::array<double, 4>{0.1, 0.2, 0.3, 0.4}));
}

TEST(ColorProxyTests, ReadsTwoNumbersAsGreyAndFourAsRgbAndRefusesTheRest)
{
    using Kind = DecodingError::Kind;
    const struct {
        const char* json;
        std::optional<Color> color;
        Kind kind = Kind::DataCorrupted;
        const char* index = nullptr; // the failing element, when the error is about one
    } rows[] = {
        {"[0.5, 1]", Color::gray(0.5, 1)},
        {"[1, 0, 0, 1]", Color::rgb(1, 0, 0, 1)},
        {"[2, -1]", Color::gray(2, -1)},
        {"[]", {}},
        {"[1]", {}},
        {"[1, 0, 0]", {}},
        {"[1, 0, 0, 1, 1]", {}},
        {"{\"r\": 1}", {}, Kind::TypeMismatch},
        {"\"red\"", {}, Kind::TypeMismatch},
        {"null", {}, Kind::ValueNotFound},
        {"[true, 1]", {}, Kind::TypeMismatch, "Index 0"},
        {"[0, \"1\"]", {}, Kind::TypeMismatch, "Index 1"},
        {"[null, 1]", {}, Kind::ValueNotFound, "Index 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        const QJsonValue value = QJsonDocument::fromJson(QByteArray("[") + row.json + "]").array().at(0);
        try {
            EXPECT_EQ(ColorProxy::fromJson(value, {QStringLiteral("fontColor")}).color(), row.color);
        } catch (const DecodingError& error) {
            EXPECT_FALSE(row.color);
            EXPECT_EQ(error.kind(), row.kind);
            QStringList path{QStringLiteral("fontColor")};
            if (row.index)
                path.append(QString::fromLatin1(row.index));
            EXPECT_EQ(error.codingPath(), path);
            EXPECT_EQ(error.debugDescription() ==
                          QStringLiteral("At two or four color components are required."),
                      row.kind == Kind::DataCorrupted);
        }
    }
}

TEST(ColorProxyTests, WritesComponentsAndReadsBackTheNumbers)
{
    const auto written = [](const Color& color) {
        return QJsonDocument(ColorProxy(color).toJson().toArray()).toJson(QJsonDocument::Compact);
    };
    EXPECT_EQ(written(Color::black()), "[0,1]");
    EXPECT_EQ(written(Color::rgb(0.25, 0.5, 0.75, 1)), "[0.25,0.5,0.75,1]");
    for (const Color& color : {Color::gray(0.3, 0.7), Color::rgb(0.1, 0.2, 0.3, 0.9)}) {
        const ColorProxy proxy(color);
        EXPECT_EQ(ColorProxy::fromJson(proxy.toJson()), proxy);
        EXPECT_EQ(qHash(ColorProxy::fromJson(proxy.toJson())), qHash(proxy));
    }
    EXPECT_THROW(ColorProxy(Color::gray(qQNaN(), 1)).toJson(), KestrelExtensions::EncodingError);
}
