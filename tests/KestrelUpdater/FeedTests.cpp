#include "KestrelUpdater/Appcast/Appcast.h"
#include "KestrelUpdater/Appcast/VersionComparator.h"
#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Channel/LoopbackHttp.h"
#include "UpdaterFixture.h"

using namespace TestSupport;

bool TestSupport::loopbackHttpOn = true;
bool KestrelUpdater::loopbackHttpAllowed()
{
    return loopbackHttpOn;
}
QByteArray KestrelUpdater::loopbackCertificateAuthorities()
{
    return LocalHttpServer::certificatesPem();
}

namespace {

const QUrl feed(QStringLiteral("https://u.example/a/app/releases/appcast.xml"));

TEST(Appcast, ReadsFieldsResolvesLinksAndOffersOnlyThisSystemsVersionedFilesMatchingTheNamespaceByUri)
{
    const QByteArray item =
        "<item><title>Two</title><link>/news/2.0</link><description><![CDATA[<b>New</b> "
        "things]]></description>"
        "<pubDate>Fri, 05 Jan 2024 15:07:00 +0000</pubDate><guid>2.0</guid><sparkle:criticalUpdate/>"
        "<sparkle:releaseNotesLink>notes/2.0.html</sparkle:releaseNotesLink>"
        "<enclosure url=\"../files/app-2.0.AppImage\" length=\"1234\" sparkle:version=\"200\" "
        "sparkle:shortVersionString=\"2.0\" sparkle:edSignature=\"c2ln\"/></item>";
    const auto parsed = Appcast::parse(appcast(item), feed);
    ASSERT_TRUE(parsed.appcast);
    ASSERT_EQ(parsed.appcast->items.size(), 1u);
    const AppcastItem& read = parsed.appcast->items.front();
    // The version comes from the enclosure, since the item has no version element.
    EXPECT_EQ(
        std::tuple(read.title, read.version, read.displayVersion(), read.description, read.criticalUpdate),
        std::tuple("Two", "200", "2.0", "<b>New</b> things", true));
    EXPECT_EQ(read.pubDate, QDateTime(QDate(2024, 1, 5), QTime(15, 7), Qt::UTC));
    EXPECT_EQ((QList<QUrl>{read.link, read.releaseNotesLink, read.enclosure.url}),
              (QList<QUrl>{QUrl("https://u.example/news/2.0"),
                           QUrl("https://u.example/a/app/releases/notes/2.0.html"),
                           QUrl("https://u.example/a/app/files/app-2.0.AppImage")}));
    EXPECT_EQ(std::pair(read.enclosure.length, read.enclosure.edSignature),
              std::pair(qint64(1234), QString("c2ln")));

    const QByteArray items =
        appcastItem("5.0", "url=\"https://h/mac.zip\" sparkle:os=\"macos\"") +
        appcastItem("4.0", "url=\"https://h/win.exe\" sparkle:os=\"windows\"") +
        // several files: the Linux one wins over the neutral one
        "<item><sparkle:version>3.0</sparkle:version><enclosure url=\"https://h/any.tar\"/>"
        "<enclosure url=\"https://h/linux.AppImage\" sparkle:os=\"Linux\"/>"
        "<enclosure url=\"https://h/mac.dmg\" sparkle:os=\"macos\"/></item>"
        // no version at all: skipped, not guessed from the file name
        "<item><enclosure url=\"https://h/app-9.0.tar\"/></item>"
        // no file but a page to read: offered
        "<item><sparkle:version>2.5</sparkle:version><link>https://h/news</link></item>"
        // the namespace under another prefix; the same local name in another namespace is no version
        "<item "
        "xmlns:upd=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><upd:version>3.1</upd:version>"
        "<enclosure url=\"https://h/a\" upd:os=\"linux\"/></item>"
        "<item xmlns:other=\"urn:x\"><other:version>9</other:version><enclosure url=\"https://h/b\"/></item>"
        // a file that is not on the web
        + appcastItem("6.0", "url=\"file:///etc/passwd\"");
    const auto offered = Appcast::parse(appcast(items), feed);
    ASSERT_TRUE(offered.appcast);
    ASSERT_EQ(offered.appcast->items.size(), 3u);
    EXPECT_EQ(offered.appcast->items[0].version, "3.0");
    EXPECT_EQ(offered.appcast->items[0].enclosure.url.toString(), "https://h/linux.AppImage");
    EXPECT_EQ(offered.appcast->items[1].version, "2.5");
    EXPECT_FALSE(offered.appcast->items[1].hasEnclosure);
    EXPECT_EQ(offered.appcast->items[2].version, "3.1");
    EXPECT_EQ(offered.appcast->bestItem()->version, "3.1");
}

// Elements nested `depth` deep inside an item's `field`, text at the bottom.
QByteArray nestedIn(const char* field, int depth)
{
    return appcast("<item><sparkle:version>2.0</sparkle:version><link>https://h/n</link><" +
                   QByteArray(field) + ">" + QByteArray("<b>").repeated(depth) + "deep" +
                   QByteArray("</b>").repeated(depth) + "</" + field + "></item>");
}

TEST(Appcast, NestingPastTheLimitIsMalformedAndOverlongVersionsAreNeverOffered)
{
    // The item's field sits at depth 4 (rss, channel, item, field).
    const int fieldDepth = 4, allowed = Appcast::maximumDepth - fieldDepth;
    const struct {
        const char* name;
        QByteArray xml;
        const char* error; // empty when the feed is read
    } rows[] = {
        {"description at the limit", nestedIn("description", allowed), ""},
        {"title at the limit", nestedIn("title", allowed), ""},
        {"description past the limit", nestedIn("description", allowed + 1), "nested more than 64"},
        {"description 100 000 deep", nestedIn("description", 100'000), "nested more than 64"},
        {"title 100 000 deep", nestedIn("title", 100'000), "nested more than 64"},
        {"unclosed, 100 000 deep", appcast(QByteArray("<x>").repeated(100'000)), "nested more than 64"},
    };
    for (const auto& row : rows) {
        const auto parsed = Appcast::parse(row.xml, feed);
        EXPECT_EQ(parsed.appcast.has_value(), !*row.error) << row.name;
        EXPECT_TRUE(parsed.error.contains(QLatin1String(row.error)))
            << row.name << parsed.error.toStdString();
        if (parsed.appcast) { // the text of everything the field holds, as before
            ASSERT_EQ(parsed.appcast->items.size(), 1u) << row.name;
            const AppcastItem& item = parsed.appcast->items.front();
            EXPECT_EQ(item.description + item.title, "deep") << row.name;
        }
    }

    const QString longest(Appcast::maximumVersionLength, u'9');
    const QString parts = QString("1.").repeated(2'000'000 - 1) + "1"; // 2 million parts, under 4 MiB
    const auto versions = Appcast::parse(
        appcast(appcastItem(longest) + appcastItem(longest + "9") + appcastItem(parts) +
                "<item><enclosure url=\"https://h/f\" sparkle:version=\"" + parts.toUtf8() + "\"/></item>" +
                "<item><sparkle:version>3.0</sparkle:version><sparkle:shortVersionString>" +
                QByteArray(300, 'x') + "</sparkle:shortVersionString><link>https://h/n</link></item>"),
        feed);
    ASSERT_TRUE(versions.appcast);
    ASSERT_EQ(versions.appcast->items.size(), 2u);
    EXPECT_EQ(versions.appcast->items[0].version, longest);
    EXPECT_EQ(versions.appcast->items[1].displayVersion(), "3.0"); // an overlong display version is not shown
    EXPECT_EQ(versions.appcast->bestItem()->version, longest);

    // Many items: all read, the newest found.
    QByteArray many;
    for (int i = 1; i <= 80'000; ++i)
        many += "<item><sparkle:version>" + QByteArray::number(i % 977) + "." + QByteArray::number(i) +
                "</sparkle:version><link>https://h/n</link></item>";
    const auto manyParsed = Appcast::parse(appcast(many), feed);
    ASSERT_TRUE(manyParsed.appcast);
    EXPECT_EQ(manyParsed.appcast->items.size(), 80'000u);
    EXPECT_EQ(manyParsed.appcast->bestItem()->version, "976.79136");
}

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
        {"", ""}, {"007", "007"}, {"1.0-rc.1", "1.0-rc.1"}, {"1.02", "1.2"}, {"1.0.", "1.0"}};
    for (const auto& [left, right] : equal)
        EXPECT_EQ(compareVersions(left, right), 0) << left << " = " << right;
}

TEST(FeedChannel, FolderHoldsTheAppcastTheIdStaysInItsSegmentAndOnlyHttpsOrLoopbackHttpIsAllowed)
{
    const std::pair<const char*, const char*> folders[] = {
        {"https://h/applications/id/betas/appcast.xml", "betas"},
        {"https://h/applications/id/Betas/appcast.xml", "Betas"},
        {"https://h/applications/id/betas/", "id"}, // no file name: the folder above is the one
        {"https://h/appcast.xml", ""},
        {"", ""},
    };
    for (const auto& [feed, folder] : folders)
        EXPECT_EQ(channelFolder(QUrl(feed)), QLatin1String(folder)) << feed;
    // An id that could break out of its path segment makes no feed at all.
    const QUrl base(QStringLiteral("https://u.example.com/applications/"));
    for (const char* id : {"", "a/b", "../x", "a b", "a?b", "é", "a_b", "a:b"})
        EXPECT_TRUE(feedStringFor(true, base, QString::fromUtf8(id)).isEmpty()) << id;
    for (const char* id : {"A.Z-a.z-0.9", "Zed", "x-9"})
        EXPECT_FALSE(feedStringFor(true, base, QString::fromUtf8(id)).isEmpty()) << id;

    // Plain HTTP to loopback only where the switch allows it (the tests' server), never after HTTPS.
    const struct {
        const char* url;
        bool allowed, afterHttps, loopbackHttp;
    } rows[] = {
        {"https://u.example.com/a.xml", true, false, false},
        {"https://u.example.com/a.xml", true, true, true},
        {"http://127.0.0.1:8080/a.xml", true, false, true},
        {"http://127.1.2.3/a.xml", true, false, true},
        {"http://localhost/a.xml", true, false, true},
        {"http://[::1]:80/a.xml", true, false, true},
        {"http://127.0.0.1:8080/a.xml", false, false, false},
        {"http://127.0.0.1:8080/a.xml", false, true, true},
        {"http://u.example.com/a.xml", false, false, true},
        {"http://10.0.0.1/a.xml", false, false, true},
        {"ftp://u.example.com/a.xml", false, false, true},
        {"file:///tmp/a.xml", false, false, true},
        {"", false, false, true},
    };
    for (const auto& row : rows) {
        loopbackHttpOn = row.loopbackHttp;
        EXPECT_EQ(isAllowedUpdateUrl(QUrl(row.url), row.afterHttps), row.allowed)
            << row.url << " after https " << row.afterHttps << " loopback http " << row.loopbackHttp;
    }
}

} // namespace
