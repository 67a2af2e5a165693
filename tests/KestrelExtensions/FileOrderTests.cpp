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

TEST(FileOrder, DigitRunsCompareByValueAndCaseIsIgnoredInEveryLocale)
{
    const std::tuple<const char*, const char*, int> rows[] = {
        {"IMG_2", "IMG_10", -1}, {"img_3", "IMG_10", -1}, {"IMG_2", "img_3", -1},
        {"Photo", "photo", 0},   {"A", "A", 0},           {"IMG_2", "IMG_002", 0}};
    // "" is the test environment's C.UTF-8, where a naive collator sorts IMG_10 before IMG_2; an unknown
    // locale name falls back to a working collation rather than failing.
    for (const char* locale : {"", "en_US", "de_DE", "fr_FR", "ja_JP", "xx_NOWHERE"}) {
        for (const auto& [a, b, order] : rows) {
            SCOPED_TRACE(std::string(locale) + ": " + a + " / " + b);
            EXPECT_EQ(localizedStandardCompare(a, b, locale), order);
            EXPECT_EQ(localizedStandardCompare(b, a, locale), -order);
            EXPECT_EQ(localizedStandardLess(a, b), order < 0);
            EXPECT_FALSE(localizedStandardLess(b, a));
        }
    }
    const auto ordered = orderedImages(
        {QUrl("file:///p/IMG_10.jpg"), QUrl("file:///p/img_3.png"), QUrl("file:///p/IMG_2.jpg")});
    EXPECT_EQ(ordered, (std::vector<QUrl>{QUrl("file:///p/IMG_2.jpg"), QUrl("file:///p/img_3.png"),
                                          QUrl("file:///p/IMG_10.jpg")}));
}

TEST(FileOrder, PredicateIsAStrictWeakOrderingOverASampleAndImageSortFollowsIt)
{
    const QStringList names =
        QStringLiteral(
            "IMG_2|img_2|IMG_002|IMG_10|img_3|Ｉmg_4|IMG_٥|A|a|á|B|| |a b|a_b|a-b|ab|holiday.tar|Holiday|"
            "2024|10|9|0009|😀|Zebra|zebra 2|zebra 10|Ärger|Äpfel")
            .split(u'|') +
        QStringList{"x" + QString(40, '9'), "x" + QString(41, '1'), "x" + QString(41, '0') + "1"};
    const auto less = [](const QString& a, const QString& b) { return localizedStandardLess(a, b); };
    const auto equivalent = [&](const QString& a, const QString& b) { return !less(a, b) && !less(b, a); };
    for (const QString& a : names) {
        EXPECT_FALSE(less(a, a)) << a.toStdString();
        for (const QString& b : names) {
            EXPECT_FALSE(less(a, b) && less(b, a)) << a.toStdString() << " / " << b.toStdString();
            for (const QString& c : names) {
                const std::string trace = a.toStdString() + " / " + b.toStdString() + " / " + c.toStdString();
                EXPECT_TRUE(!(less(a, b) && less(b, c)) || less(a, c)) << "transitive: " << trace;
                EXPECT_TRUE(!(equivalent(a, b) && equivalent(b, c)) || equivalent(a, c)) << "ties: " << trace;
            }
        }
    }
    // Digit runs far beyond 64 bits still compare by value.
    EXPECT_TRUE(less("x" + QString(40, '9'), "x" + QString(41, '1')));

    std::vector<QUrl> images;
    for (const QString& name : names) {
        images.push_back(QUrl::fromLocalFile("/p/" + name + ".jpg"));
        images.push_back(QUrl::fromLocalFile("/q/" + name.toUpper() + ".png"));
    }
    sortImages(images);
    for (size_t i = 1; i < images.size(); ++i) {
        const QString before = baseName(images[i - 1]);
        const QString after = baseName(images[i]);
        EXPECT_FALSE(less(after, before)) << before.toStdString() << " / " << after.toStdString();
        if (!less(before, after)) {
            EXPECT_LE(images[i - 1].path(), images[i].path()) << "equal names keep path order";
        }
    }
}

TEST(FileOrder, TiesComeOutInOneSequenceWhateverTheInsertionOrder)
{
    const QList<QUrl> urls{QUrl("file:///b/IMG_2.jpg"),   QUrl("file:///a/img_2.png"),
                           QUrl("file:///a/IMG_002.jpg"), QUrl("file:///c/A.jpg"),
                           QUrl("file:///c/A.png"),       QUrl("file:///a/IMG_10.jpg"),
                           QUrl("file:///z/Holiday/"),    QUrl("file:///y/holiday.tar.gz")};
    QSet<QUrl> backward;
    backward.reserve(64);
    for (auto it = urls.rbegin(); it != urls.rend(); ++it)
        backward.insert(*it);
    const auto ordered = orderedImages(QSet<QUrl>(urls.begin(), urls.end()));
    EXPECT_EQ(ordered, orderedImages(backward));
    // The three names that rank equal keep full-path order, ahead of IMG_10.
    EXPECT_EQ(QList<QUrl>(ordered.begin(), ordered.end()),
              (QList<QUrl>{urls[3], urls[4], urls[6], urls[7], urls[2], urls[1], urls[0], urls[5]}));
    // Path first, whatever the host; the whole address only between equal paths.
    const QUrl farHost("https://b.example/x/IMG_1.jpg"), nearHost("https://a.example/y/IMG_1.jpg");
    EXPECT_EQ(orderedImages({farHost, nearHost, QUrl("file:///x/IMG_1.jpg")}),
              (std::vector<QUrl>{QUrl("file:///x/IMG_1.jpg"), farHost, nearHost}));
}
