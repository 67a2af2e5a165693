#include "RuvedovUzedoz/Images/TargetSize.h"

#include <QtNumeric>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;

namespace {

ImageSettings limits(double sizeMax, double sizeMin = 0, double factor = 1, double resolution = 300)
{
    return {.scaleFactor = factor, .resolution = resolution, .sizeMax = sizeMax, .sizeMin = sizeMin};
}

} // namespace

TEST(TargetSize, FollowsResolutionMaximumMinimumAndNeverUpscales)
{
    const QSizeF defaultBox(369, 261); // one cell of the default layout, above its label
    const double nan = qQNaN();
    const std::tuple<const char*, QSize, QSizeF, ImageSettings, int> rows[] = {
        {"300 dpi of the drawn size binds first", {4000, 3000}, defaultBox, ImageSettings{}, 1450},
        {"portrait uses its upright longest side", {3000, 4000}, defaultBox, limits(2048), 1088},
        {"largest size caps the resolution", {4000, 3000}, defaultBox, limits(512), 512},
        {"largest size on a full page", {4000, 3000}, {756, 576}, ImageSettings{}, 2048},
        {"smallest size wins over the largest", {4000, 3000}, defaultBox, limits(512, 2000), 2000},
        {"smallest size never upscales", {1000, 800}, defaultBox, limits(512, 2000), 1000},
        {"a smallest size already met changes nothing", {4000, 3000}, defaultBox, limits(2048, 500), 1450},
        {"scale factor halves", {4000, 3000}, defaultBox, limits(0, 0, 0.5, 0), 2000},
        {"small pictures are not upscaled", {300, 200}, defaultBox, limits(2048), 300},
        {"no limits keep the original", {4000, 3000}, defaultBox, limits(0, 0, 0, 0), 4000},
        {"NaN settings are no limits", {4000, 3000}, defaultBox, limits(nan, nan, nan, nan), 4000},
        {"negative settings are no limits", {4000, 3000}, defaultBox, limits(-1, -1, -2, -300), 4000},
        {"an empty box leaves only the largest size", {4000, 3000}, {0, 0}, limits(2048), 2048},
        {"a tiny result is at least one pixel", {4000, 3000}, {0.001, 0.001}, limits(2048), 1},
        {"an empty picture has no size", {0, 3000}, defaultBox, limits(2048), 0},
        {"a one-pixel picture stays", {1, 1}, defaultBox, limits(2048), 1},
    };
    for (const auto& [name, size, box, settings, expected] : rows)
        EXPECT_EQ(targetLongestSide(size, box, settings), expected) << name;
}

TEST(TargetSize, JpegQualityIsAHundredthOfTheSettingWithinOneToAHundred)
{
    const QList<int> qualities = {jpegQuality(0), jpegQuality(0.505), jpegQuality(1.5), jpegQuality(qQNaN())};
    EXPECT_EQ(qualities, QList<int>({1, 51, 100, 100}));
}
