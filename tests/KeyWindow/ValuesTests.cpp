#include "KeyWindow/Values/AnyKeyWindowValueKey.h"
#include "KeyWindow/Values/KeyWindowValueKey.h"
#include "TestKeys.h"

#include <QPointer>
#include <gtest/gtest.h>
#include <unordered_set>

using namespace KeyWindow;

static_assert(wrapsByEquality<NumberKey>);
static_assert(wrapsByEquality<TextKey>);
// Addresses compare equal for the same object: republishing it must still count as a change.
static_assert(!wrapsByEquality<PointerKey>);
static_assert(!wrapsByEquality<Channel>);
static_assert(KeyWindowObservableObjectKey<Channel>);
static_assert(!KeyWindowObservableObjectKey<NumberKey>);

TEST(AnyEquatable, EqualityIsByExactTypeThenValueAndObjectsCastDown)
{
    const std::tuple<AnyEquatable, AnyEquatable, bool> rows[] = {
        {AnyEquatable(1), AnyEquatable(1), true},
        {AnyEquatable(1), AnyEquatable(2), false},
        {AnyEquatable(1), AnyEquatable(qint64(1)), false},
        {AnyEquatable(1), AnyEquatable(QStringLiteral("1")), false},
        {AnyEquatable(QStringLiteral("a")), AnyEquatable(QStringLiteral("a")), true},
        {AnyEquatable(1.5), AnyEquatable(1.5f), false},
    };
    for (const auto& [lhs, rhs, equal] : rows)
        EXPECT_EQ(lhs == rhs, equal) << lhs.debugDescription().toStdString() << " vs "
                                     << rhs.debugDescription().toStdString();
    // Standard strings read as their text, quoted when debugging, like Qt's.
    const AnyEquatable text(std::string("a\"b"));
    EXPECT_EQ(text.description() + " " + text.debugDescription(), "a\"b AnyEquatable(\"a\\\"b\")");

    // A held object casts down to any of its base classes, and no further.
    Channel channel;
    const AnyEquatable stored{QPointer<Channel>(&channel)};
    EXPECT_EQ(stored.downCast<QPointer<QObject>>().value(), &channel);
    EXPECT_EQ(stored.downCast<QObject*>().value(), &channel);
    EXPECT_FALSE(stored.downCast<int>());
    QObject plain;
    EXPECT_FALSE(AnyEquatable(QPointer<QObject>(&plain)).downCast<Channel*>());
}

TEST(KeyWindowValueKey, WrappingGivesObjectsAnIdentityEachAndUnwrapsOnlyWhatItWrapped)
{
    Channel channel;
    const AnyEquatable first = wrapValue<Channel>(QPointer<Channel>(&channel));
    const AnyEquatable second = wrapValue<Channel>(QPointer<Channel>(&channel));
    EXPECT_FALSE(first == second);
    EXPECT_TRUE(AnyEquatable(first) == first);
    EXPECT_EQ(unwrapValue<Channel>(first), &channel);
    EXPECT_EQ(unwrapValue<Channel>(second), &channel);

    EXPECT_FALSE(unwrapValue<NumberKey>(AnyEquatable(QStringLiteral("1"))));
    EXPECT_EQ(unwrapValue<Channel>(AnyEquatable(3)), nullptr);
    int number = 3;
    EXPECT_FALSE(unwrapValue<PointerKey>(AnyEquatable(3)));
    EXPECT_EQ(unwrapValue<PointerKey>(wrapValue<PointerKey>(&number)).value(), &number);
    EXPECT_FALSE(unwrapValue<PointerKey>(wrapValue<NumberKey>(3)));
    auto* gone = new Channel;
    const AnyEquatable stored = wrapValue<Channel>(QPointer<Channel>(gone));
    delete gone;
    EXPECT_EQ(unwrapValue<Channel>(stored), nullptr) << "an object destroyed since it was wrapped";
}

TEST(AnyKeyWindowValueKey, KeysAreTheirTypes)
{
    const auto a = AnyKeyWindowValueKey::of<NumberKey>();
    const auto b = AnyKeyWindowValueKey::of<NumberKey>();
    const auto c = AnyKeyWindowValueKey::of<TextKey>();
    EXPECT_TRUE(a == b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_EQ(std::hash<AnyKeyWindowValueKey>()(a), std::hash<AnyKeyWindowValueKey>()(b));
    EXPECT_FALSE(a == c);
    EXPECT_EQ(a.description(), QStringLiteral("TestKey<int>"));
    EXPECT_EQ(AnyKeyWindowValueKey::of<AnyEquatable>().description(), QStringLiteral("AnyEquatable"));
    EXPECT_EQ(AnyKeyWindowValueKey::of<RowsBindingKey>().description(),
              QStringLiteral("TestKey<KestrelExtensions::Binding<int> >"));
    EXPECT_EQ(AnyKeyWindowValueKey::of<Channel>().debugDescription(),
              QStringLiteral("AnyKeyWindowValueKey(Channel)"));
    EXPECT_EQ(AnyKeyWindowValueKey::of<AnyEquatable>().debugDescription(),
              QStringLiteral("AnyKeyWindowValueKey(KeyWindow::AnyEquatable)"));
}
