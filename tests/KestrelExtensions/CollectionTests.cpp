#include "KestrelExtensions/Collection/Collection.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>
#include <limits>

using namespace KestrelExtensions;

TEST(Collection, SortByPositionSafeAccessIndexTestsMinMaxAndRemovingNils)
{
    using V = std::vector<QString>;
    const V reference{"a", "b", "c"};
    EXPECT_EQ(sortedByPosition(V{"c", "x", "a"}, reference), (V{"a", "c", "x"}));
    EXPECT_EQ(sortedByPosition(V{"c", "x", "a"}, reference, true), (V{"x", "a", "c"}));
    // A reference longer than the array still puts unknowns last.
    EXPECT_EQ(sortedByPosition(V{"e", "x"}, V{"a", "b", "c", "d", "e"}), (V{"e", "x"}));
    // Equal positions keep their order; duplicates in the reference count at their first place.
    EXPECT_EQ(sortedByPosition(V{"y", "b", "x", "a", "b"}, V{"a", "b", "a"}), (V{"a", "b", "b", "y", "x"}));

    const std::vector<int> three{10, 20, 30};
    for (const auto& [index, value] : {std::pair<int, std::optional<int>>{0, 10}, {2, 30}, {3, {}}, {-1, {}}})
        EXPECT_EQ(safeAt(three, index), value) << index;

    EXPECT_TRUE(isLastIndex(three, 2) && isLastIndex(three, 2, true));
    EXPECT_TRUE(isFirstIndex(0) && isFirstIndex(-2, true) && !isFirstIndex(-1) && !isFirstIndex(1, true));
    EXPECT_FALSE(isLastIndex(three, 5));
    EXPECT_TRUE(isLastIndex(three, 5, true));
    EXPECT_FALSE(isLastIndex(three, 1, true));
    EXPECT_TRUE(isLastIndex(three, std::numeric_limits<std::ptrdiff_t>::max(), true))
        << "no overflow at the top";
    EXPECT_FALSE(isLastIndex(std::vector<int>{}, 0));

    EXPECT_EQ(minMax(std::vector<int>{}), std::nullopt);
    EXPECT_EQ(minMax(std::vector<int>{3, 1, 2}), (std::pair{1, 3}));

    const std::vector<std::optional<int>> sparse{std::nullopt, 1, std::nullopt, 2, 3, std::nullopt};
    EXPECT_EQ(removingNils(sparse), (std::vector<int>{1, 2, 3}));
}
