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

TEST(AnyEquatable, EqualityIsByExactTypeThenValue)
{
    struct Row {
        AnyEquatable lhs;
        AnyEquatable rhs;
        bool equal;
    };
    const Row rows[] = {
        {AnyEquatable(1), AnyEquatable(1), true},
        {AnyEquatable(1), AnyEquatable(2), false},
        {AnyEquatable(1), AnyEquatable(qint64(1)), false},
        {AnyEquatable(1), AnyEquatable(QStringLiteral("1")), false},
        {AnyEquatable(QStringLiteral("a")), AnyEquatable(QStringLiteral("a")), true},
        {AnyEquatable(1.5), AnyEquatable(1.5f), false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.lhs == row.rhs, row.equal)
            << row.lhs.debugDescription().toStdString() << " vs " << row.rhs.debugDescription().toStdString();
}

TEST(AnyEquatable, DownCastAcceptsBaseClassesOfAHeldObject)
{
    SpecialChannel channel;
    const AnyEquatable stored{QPointer<SpecialChannel>(&channel)};
    EXPECT_EQ(stored.downCast<QPointer<Channel>>().value(), &channel);
    EXPECT_EQ(stored.downCast<Channel*>().value(), &channel);
    EXPECT_FALSE(stored.downCast<int>());

    Channel plain;
    EXPECT_FALSE(AnyEquatable(QPointer<Channel>(&plain)).downCast<SpecialChannel*>());
}

TEST(KeyWindowValueKey, GeneralDefaultGivesEveryWrappingItsOwnIdentity)
{
    Channel channel;
    const AnyEquatable first = wrapValue<Channel>(QPointer<Channel>(&channel));
    const AnyEquatable second = wrapValue<Channel>(QPointer<Channel>(&channel));
    EXPECT_FALSE(first == second);
    const AnyEquatable copy = first;
    EXPECT_TRUE(copy == first);
    EXPECT_EQ(unwrapValue<Channel>(first), &channel);
    EXPECT_EQ(unwrapValue<Channel>(second), &channel);
}

TEST(KeyWindowValueKey, UnwrappingSomethingElseGivesNone)
{
    // The equatable default on a value of another type.
    EXPECT_FALSE(unwrapValue<NumberKey>(AnyEquatable(QStringLiteral("1"))));
    // The general default on a stored value that is no wrapper, or wraps another type.
    EXPECT_EQ(unwrapValue<Channel>(AnyEquatable(3)), nullptr);
    int number = 3;
    EXPECT_FALSE(unwrapValue<PointerKey>(AnyEquatable(3)));
    EXPECT_EQ(unwrapValue<PointerKey>(wrapValue<PointerKey>(&number)).value(), &number);
    EXPECT_FALSE(unwrapValue<PointerKey>(wrapValue<NumberKey>(3)));
    // An object destroyed since it was wrapped.
    auto* channel = new Channel;
    const AnyEquatable stored = wrapValue<Channel>(QPointer<Channel>(channel));
    delete channel;
    EXPECT_EQ(unwrapValue<Channel>(stored), nullptr);
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
    EXPECT_EQ(a.description(), QStringLiteral("NumberKey"));
    EXPECT_EQ(AnyKeyWindowValueKey::of<Channel>().debugDescription(),
              QStringLiteral("AnyKeyWindowValueKey(Channel)"));
    EXPECT_EQ(AnyKeyWindowValueKey::of<AnyEquatable>().debugDescription(),
              QStringLiteral("AnyKeyWindowValueKey(KeyWindow::AnyEquatable)"));
}
