#include "KestrelUpdater/Channel/FeedChannel.h"
#include "KestrelUpdater/Channel/LoopbackHttp.h"
#include "UpdaterFixture.h"

using namespace TestSupport;

bool TestSupport::loopbackHttpOn = true;
bool KestrelUpdater::loopbackHttpAllowed()
{
    return loopbackHttpOn;
}

namespace {

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
