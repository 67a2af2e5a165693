#include "KestrelExtensions/Coding/CodingError.h"
#include "RuvedovUzedoz/Layouts/ColorProxy.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;

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

TEST(ColorProxyTests, WritesComponentsAndReadsBackTheNumbers)
{
    const auto written = [](const Color& color) {
        return QJsonDocument(ColorProxy(color).toJson().toArray()).toJson(QJsonDocument::Compact);
    };
    EXPECT_EQ(written(Color::black()), "[0,1]");
    EXPECT_EQ(written(Color::rgb(0.25, 0.5, 0.75, 1)), "[0.25,0.5,0.75,1]");
    for (const Color& color : {Color::gray(0.3, 0.7), Color::rgb(0.1, 0.2, 0.3, 0.9)}) {
        const ColorProxy proxy(color);
        EXPECT_EQ(ColorProxy::fromJson(proxy.toJson()).color(), color);
        EXPECT_EQ(qHash(ColorProxy::fromJson(proxy.toJson())), qHash(proxy));
    }
    EXPECT_THROW(ColorProxy(Color::gray(qQNaN(), 1)).toJson(), KestrelExtensions::EncodingError);
}
