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
    EXPECT_EQ(localizedStandardCompare("IMG_2", "IMG_10", "de_DE"), -1);
    EXPECT_EQ(localizedStandardCompare("IMG_10", "IMG_2", "de_DE"), 1);
}

TEST(FileOrder, EqualNamesAreNotLessEitherWay)
{
    EXPECT_FALSE(localizedStandardLess("A", "A"));
    EXPECT_FALSE(localizedStandardLess("IMG_2", "IMG_002"));
    EXPECT_FALSE(localizedStandardLess("IMG_002", "IMG_2"));
    EXPECT_FALSE(localizedStandardLess("img", "IMG"));
}

TEST(FileOrder, RealLocalesOrderDigitsByValueToo)
{
    for (const char* locale : {"en_US", "de_DE", "fr_FR", "ja_JP"}) {
        EXPECT_LT(localizedStandardCompare("IMG_2", "IMG_10", locale), 0) << locale;
        EXPECT_LT(localizedStandardCompare("img_3", "IMG_10", locale), 0) << locale;
        EXPECT_LT(localizedStandardCompare("IMG_2", "img_3", locale), 0) << locale;
        EXPECT_EQ(localizedStandardCompare("Photo", "photo", locale), 0) << locale;
    }
    // An unknown locale name falls back to a working collation rather than failing.
    EXPECT_LT(localizedStandardCompare("a2", "a10", "xx_NOWHERE"), 0);
}

namespace {

const QStringList& sampleNames()
{
    static const QStringList names{"IMG_2",
                                   "img_2",
                                   "IMG_002",
                                   "IMG_10",
                                   "img_3",
                                   "Ｉmg_4",
                                   "IMG_٥",
                                   "A",
                                   "a",
                                   "á",
                                   "B",
                                   "",
                                   " ",
                                   "a b",
                                   "a_b",
                                   "a-b",
                                   "ab",
                                   "holiday.tar",
                                   "Holiday",
                                   "2024",
                                   "10",
                                   "9",
                                   "0009",
                                   "😀",
                                   "Zebra",
                                   "zebra 2",
                                   "zebra 10",
                                   "Ärger",
                                   "Äpfel",
                                   "x" + QString(40, '9'),
                                   "x" + QString(41, '1'),
                                   "x" + QString(41, '0') + "1"};
    return names;
}

} // namespace

TEST(FileOrder, PredicateIsAStrictWeakOrderingOverASample)
{
    const QStringList& names = sampleNames();
    const auto less = [](const QString& a, const QString& b) { return localizedStandardLess(a, b); };
    const auto equivalent = [&](const QString& a, const QString& b) { return !less(a, b) && !less(b, a); };
    for (const QString& a : names) {
        EXPECT_FALSE(less(a, a)) << a.toStdString();
        for (const QString& b : names) {
            EXPECT_FALSE(less(a, b) && less(b, a)) << a.toStdString() << " / " << b.toStdString();
            for (const QString& c : names) {
                if (less(a, b) && less(b, c)) {
                    EXPECT_TRUE(less(a, c))
                        << a.toStdString() << " < " << b.toStdString() << " < " << c.toStdString();
                }
                if (equivalent(a, b) && equivalent(b, c)) {
                    EXPECT_TRUE(equivalent(a, c)) << a.toStdString() << " ~ " << c.toStdString();
                }
            }
        }
    }
    // Digit runs far beyond 64 bits still compare by value.
    EXPECT_TRUE(less("x" + QString(40, '9'), "x" + QString(41, '1')));
}

TEST(FileOrder, TiesComeOutInOneSequenceWhateverTheInsertionOrder)
{
    const QList<QUrl> urls{QUrl("file:///b/IMG_2.jpg"),   QUrl("file:///a/img_2.png"),
                           QUrl("file:///a/IMG_002.jpg"), QUrl("file:///c/A.jpg"),
                           QUrl("file:///c/A.png"),       QUrl("file:///a/IMG_10.jpg"),
                           QUrl("file:///z/Holiday/"),    QUrl("file:///y/holiday.tar.gz")};
    QSet<QUrl> forward;
    for (const QUrl& url : urls)
        forward.insert(url);
    QSet<QUrl> backward;
    backward.reserve(64);
    for (auto it = urls.rbegin(); it != urls.rend(); ++it)
        backward.insert(*it);
    const auto ordered = orderedImages(forward);
    EXPECT_EQ(ordered, orderedImages(backward));
    ASSERT_EQ(ordered.size(), size_t(urls.size()));
    EXPECT_EQ(ordered.front(), QUrl("file:///c/A.jpg"));
    EXPECT_EQ(ordered[1], QUrl("file:///c/A.png"));
    // The three names that rank equal keep full-path order, ahead of IMG_10.
    EXPECT_EQ(ordered[4], QUrl("file:///a/IMG_002.jpg"));
    EXPECT_EQ(ordered[5], QUrl("file:///a/img_2.png"));
    EXPECT_EQ(ordered[6], QUrl("file:///b/IMG_2.jpg"));
    EXPECT_EQ(ordered[7], QUrl("file:///a/IMG_10.jpg"));
}

TEST(FileOrder, ImageSortAgreesWithThePredicate)
{
    std::vector<QUrl> images;
    for (const QString& name : sampleNames()) {
        images.push_back(QUrl::fromLocalFile("/p/" + name + ".jpg"));
        images.push_back(QUrl::fromLocalFile("/q/" + name.toUpper() + ".png"));
    }
    sortImages(images);
    for (size_t i = 1; i < images.size(); ++i) {
        const QString before = baseName(images[i - 1]);
        const QString after = baseName(images[i]);
        EXPECT_FALSE(localizedStandardLess(after, before))
            << before.toStdString() << " / " << after.toStdString();
        if (!localizedStandardLess(before, after)) {
            EXPECT_LE(images[i - 1].path(), images[i].path()) << "equal names keep path order";
        }
    }
}
