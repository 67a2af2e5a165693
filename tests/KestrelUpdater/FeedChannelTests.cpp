#include "KestrelUpdater/Channel/FeedChannel.h"
#include "LoopbackHttpSwitch.h"

#include <gtest/gtest.h>

using namespace KestrelUpdater;

namespace {

TEST(FeedChannel, FolderIsTheComponentThatHoldsTheAppcast)
{
    const struct {
        const char* feed;
        const char* folder;
    } cases[] = {
        {"https://h/applications/id/betas/appcast.xml", "betas"},
        {"https://h/applications/id/releases/appcast.xml", "releases"},
        {"https://h/applications/id/Betas/appcast.xml", "Betas"},
        {"https://h/applications/id/betas/", "id"}, // no file name: the folder above is the one
        {"https://h/appcast.xml", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(channelFolder(QUrl(c.feed)), QLatin1String(c.folder)) << c.feed;
}

TEST(FeedChannel, FeedStringsFollowTheChannel)
{
    const QUrl base(QStringLiteral("https://updates.example.com/applications/"));
    EXPECT_EQ(feedStringFor(true, base, "com.ardentmoss.Sheetwright"),
              "https://updates.example.com/applications/com.ardentmoss.Sheetwright/betas/appcast.xml");
    EXPECT_EQ(feedStringFor(false, base, "com.ardentmoss.Sheetwright"),
              "https://updates.example.com/applications/com.ardentmoss.Sheetwright/releases/appcast.xml");
    // An id that could break out of its path segment makes no feed at all.
    for (const char* id : {"", "a/b", "../x", "a b", "a?b", "é", "a_b", "a:b"})
        EXPECT_TRUE(feedStringFor(true, base, QString::fromUtf8(id)).isEmpty()) << id;
    for (const char* id : {"A.Z-a.z-0.9", "Zed", "x-9"})
        EXPECT_FALSE(feedStringFor(true, base, QString::fromUtf8(id)).isEmpty()) << id;
}

TEST(FeedChannel, OnlyHttpsOrLoopbackHttpIsAllowed)
{
    // Plain HTTP to loopback only where the switch allows it (the tests' server), never after HTTPS.
    const struct {
        const char* url;
        bool allowed;
        bool afterHttps;
        bool loopbackHttp;
    } cases[] = {
        {"https://updates.example.com/a.xml", true, false, false},
        {"https://updates.example.com/a.xml", true, true, true},
        {"http://127.0.0.1:8080/a.xml", true, false, true},
        {"http://127.1.2.3/a.xml", true, false, true},
        {"http://localhost/a.xml", true, false, true},
        {"http://[::1]:80/a.xml", true, false, true},
        {"http://127.0.0.1:8080/a.xml", false, false, false},
        {"http://localhost/a.xml", false, false, false},
        {"http://127.0.0.1:8080/a.xml", false, true, true},
        {"http://localhost/a.xml", false, true, true},
        {"http://updates.example.com/a.xml", false, false, true},
        {"http://10.0.0.1/a.xml", false, false, true},
        {"ftp://updates.example.com/a.xml", false, false, true},
        {"file:///tmp/a.xml", false, false, true},
        {"", false, false, true},
    };
    for (const auto& c : cases) {
        TestSupport::loopbackHttpOn = c.loopbackHttp;
        EXPECT_EQ(isAllowedUpdateUrl(QUrl(c.url), c.afterHttps), c.allowed)
            << c.url << " after https " << c.afterHttps << " loopback http " << c.loopbackHttp;
    }
}

} // namespace
