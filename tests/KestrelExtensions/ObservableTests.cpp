#include "KestrelExtensions/Observation/Binding.h"

#include <gtest/gtest.h>

using namespace KestrelExtensions;

namespace {
struct Grid {
    int rows = 2;
    int columns = 2;
    bool operator==(const Grid&) const = default;
};
} // namespace

TEST(Observable, SignalsRealChangesWithTheOuterOldValueAndAMemberBindingWritesTheWholeValueOnce)
{
    Observable<int> rows(2);
    QObject context;
    rows.onChange(&context, [&](const int&, const int& now) {
        if (now > 10)
            rows.set(10); // clamp
    });
    QList<std::pair<int, int>> seen;
    rows.onChange(&context, [&](const int& old, const int& now) { seen.append({old, now}); });
    rows.set(2);
    rows.set(3);
    rows.set(3);
    rows.set(50);
    EXPECT_EQ(rows.get(), 10);
    // The clamp's own change is seen first (50 → 10), then the outer one with its real start (3 → 10).
    EXPECT_EQ(seen, (QList<std::pair<int, int>>{{2, 3}, {50, 10}, {3, 10}}));

    Observable<Grid> grid;
    int changes = 0;
    QObject::connect(&grid, &ObservableBase::changed, [&] { ++changes; });
    auto gridRows = Binding<Grid>::of(grid).member(&Grid::rows);
    gridRows.set(5);
    EXPECT_EQ(grid.get().rows, 5);
    EXPECT_EQ(grid.get().columns, 2);
    EXPECT_EQ(changes, 1);
    gridRows.set(5);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(gridRows.get(), 5);
    EXPECT_EQ(gridRows.notifier(), &grid);
}
