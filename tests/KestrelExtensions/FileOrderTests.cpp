#include "KestrelExtensions/String/LocalizedStandardOrder.h"
#include "KestrelExtensions/URL/BaseName.h"

#include <gtest/gtest.h>

using namespace KestrelExtensions;

TEST(BaseName, RemovesOnlyTheLastExtension)
{
    const std::pair<const char*, const char*> rows[] = {
        {"file:///p/holiday.tar.gz", "holiday.tar"},
        {"file:///p/IMG_0012.JPG", "IMG_0012"},
        {"file:///p/README", "README"},
        {"file:///p/Holiday/", "Holiday"},
        {"file:///p/a%20b.jpg", "a b"},
        {"file:///p/.jpg", ".jpg"},
    };
    for (const auto& [url, expected] : rows)
        EXPECT_EQ(baseName(QUrl(QString::fromUtf8(url))), QString::fromUtf8(expected)) << url;
}

TEST(FileOrder, DigitRunsCompareByValueInTheCLocale)
{
    // The test environment runs under C.UTF-8, where a naive collator sorts IMG_10 before IMG_2.
    QSet<QUrl> images{QUrl("file:///p/IMG_10.jpg"), QUrl("file:///p/img_3.png"), QUrl("file:///p/IMG_2.jpg")};
    const auto ordered = orderedImages(images);
    ASSERT_EQ(ordered.size(), 3u);
    EXPECT_EQ(baseName(ordered[0]), "IMG_2");
    EXPECT_EQ(baseName(ordered[1]), "img_3");
    EXPECT_EQ(baseName(ordered[2]), "IMG_10");
    EXPECT_LT(localizedStandardCompare("IMG_2", "IMG_10", "de_DE"), 0);
}

TEST(FileOrder, EqualNamesAreNotLessEitherWay)
{
    EXPECT_FALSE(localizedStandardLess("A", "A"));
    EXPECT_FALSE(localizedStandardLess("IMG_2", "IMG_002"));
    EXPECT_FALSE(localizedStandardLess("IMG_002", "IMG_2"));
    EXPECT_FALSE(localizedStandardLess("img", "IMG"));
}
