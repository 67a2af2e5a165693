#include "KestrelUpdater/Appcast/VersionComparator.h"

#include <gtest/gtest.h>

using KestrelUpdater::compareVersions;

namespace {

TEST(VersionComparator, OrdersReleasesBothWaysAndIgnoresLeadingZerosAndTrailingSeparators)
{
    const std::pair<const char*, const char*> ordered[] = {
        {"1.0", "1.1"},          {"1.9", "1.10"},     {"1.0", "1.0.1"},
        {"1.0", "1.0.0"},        {"1.0b1", "1.0"},    {"1.0a1", "1.0b1"},
        {"1.0rc1", "1.0"},       {"1.0-beta", "1.0"}, {"1.0-beta.1", "1.0-beta.2"},
        {"1.0b9", "1.0b10"},     {"2", "10"},         {"99999999999999999999", "100000000000000000000"},
        {"1.0 beta 2", "1.0.1"},
    };
    for (const auto& [older, newer] : ordered) {
        EXPECT_EQ(compareVersions(older, newer), -1) << older << " < " << newer;
        EXPECT_EQ(compareVersions(newer, older), 1) << newer << " > " << older;
    }
    const std::pair<const char*, const char*> equal[] = {
        {"2.0", "2.0"},           {"1.0b1", "1.0b1"}, {"", ""},        {"007", "007"},
        {"1.0-rc.1", "1.0-rc.1"}, {"1.02", "1.2"},    {"1.0.", "1.0"},
    };
    for (const auto& [left, right] : equal)
        EXPECT_EQ(compareVersions(left, right), 0) << left << " = " << right;
}

} // namespace
