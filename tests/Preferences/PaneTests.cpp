#include "KestrelExtensions/Coding/CodingError.h"
#include "Preferences/Pane/Pane.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QSet>
#include <gtest/gtest.h>

using namespace Preferences;

namespace {

TEST(PaneIdentifier, IsEqualHashedAndCodedByItsString)
{
    const PaneIdentifier a("updates");
    const PaneIdentifier b = PaneIdentifier::fromRawValue("updates");
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    QSet<PaneIdentifier> set{a, b, PaneIdentifier("general")};
    EXPECT_EQ(set.size(), 2);

    const QByteArray json = QJsonDocument(QJsonArray{a.toJson()}).toJson(QJsonDocument::Compact);
    EXPECT_EQ(json, R"(["updates"])");
    EXPECT_EQ(PaneIdentifier::fromJson(QJsonDocument::fromJson(json).array().at(0)), a);
    EXPECT_THROW(PaneIdentifier::fromJson(QJsonValue(3)), KestrelExtensions::DecodingError);
}

TEST(Pane, EachHostGetsItsOwnContent)
{
    int built = 0;
    const Pane pane(PaneIdentifier("general"), "General", QIcon(), [&built] {
        ++built;
        return new QLabel("content");
    });
    std::unique_ptr<PreferencePane> first(pane.asPreferencePane());
    std::unique_ptr<PreferencePane> second(pane.asPreferencePane());
    ASSERT_NE(first.get(), second.get());
    EXPECT_EQ(built, 2);
    EXPECT_EQ(first->preferencePaneIdentifier(), second->preferencePaneIdentifier());
    EXPECT_EQ(first->preferencePaneTitle(), "General");
    auto* firstHost = qobject_cast<PaneHostingController*>(first.get());
    auto* secondHost = qobject_cast<PaneHostingController*>(second.get());
    ASSERT_TRUE(firstHost && secondHost);
    EXPECT_NE(firstHost->rootView(), secondHost->rootView());
    EXPECT_EQ(firstHost->rootView()->parentWidget(), firstHost);
}

} // namespace
