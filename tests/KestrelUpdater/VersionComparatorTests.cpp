#include "KestrelUpdater/Appcast/VersionComparator.h"

#include <gtest/gtest.h>

using KestrelUpdater::compareVersions;

namespace {

struct Ordered {
    const char* older;
    const char* newer;
};

class VersionOrder : public ::testing::TestWithParam<Ordered> {};

TEST_P(VersionOrder, OlderSortsBelowNewerBothWays)
{
    const Ordered pair = GetParam();
    EXPECT_EQ(compareVersions(pair.older, pair.newer), -1) << pair.older << " < " << pair.newer;
    EXPECT_EQ(compareVersions(pair.newer, pair.older), 1) << pair.newer << " > " << pair.older;
}

INSTANTIATE_TEST_SUITE_P(Releases, VersionOrder,
                         ::testing::Values(Ordered{"1.0", "1.1"}, Ordered{"1.9", "1.10"},
                                           Ordered{"1.0", "1.0.1"}, Ordered{"1.0", "1.0.0"},
                                           Ordered{"1.0b1", "1.0"}, Ordered{"1.0a1", "1.0b1"},
                                           Ordered{"1.0rc1", "1.0"}, Ordered{"1.0-beta", "1.0"},
                                           Ordered{"1.0-beta.1", "1.0-beta.2"}, Ordered{"1.0b9", "1.0b10"},
                                           Ordered{"2", "10"},
                                           Ordered{"99999999999999999999", "100000000000000000000"},
                                           Ordered{"1.0 beta 2", "1.0.1"}));

TEST(VersionComparator, EqualVersionsCompareEqual)
{
    for (const char* version : {"2.0", "1.0b1", "", "007", "1.0-rc.1"})
        EXPECT_EQ(compareVersions(version, version), 0) << version;
    // Leading zeros and trailing separators change nothing.
    EXPECT_EQ(compareVersions("1.02", "1.2"), 0);
    EXPECT_EQ(compareVersions("1.0.", "1.0"), 0);
}

} // namespace
