#include "Sheetwright/Layouts/ImageQuality.h"

#include <QList>
#include <gtest/gtest.h>

using namespace Sheetwright;

TEST(ImageQuality, CasesValuesAndLabels)
{
    const auto& cases = allImageQualities();
    ASSERT_EQ(cases.size(), 4u);
    const double values[] = {4096, 2048, 1024, 512};
    const char* labels[] = {"High", "Medium", "Low", "\U0001F954"};
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(rawValue(cases[i]), values[i]);
        EXPECT_EQ(imageQualityFromRawValue(values[i]), cases[i]);
        EXPECT_EQ(label(cases[i]), QString::fromUtf8(labels[i]));
    }
    EXPECT_EQ(label(ImageQuality::potato).toUcs4(), QList<uint>{0x1F954});
    for (double other : {0.0, 300.0, 3000.0, 4095.0, -512.0})
        EXPECT_FALSE(imageQualityFromRawValue(other)) << other;
}
