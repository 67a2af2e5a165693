#include "UpdaterFixture.h"

#include <QUrlQuery>

using namespace TestSupport;
using enum CheckResult::Status;

namespace {

using UpdateCheckTest = UpdaterFixture;

TEST_F(UpdateCheckTest, EveryFeedEndsInAnUpdateUpToDateOrAnUndatedErrorWhateverTheServerSends)
{
    const qint64 maximum = Updater::maximumFeedSize;
    const QByteArray head = "<rss><channel>", tail = "</channel></rss>";
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QByteArray refused = "http://127.0.0.1:" + QByteArray::number(closed.serverPort()) + "/appcast.xml";
    closed.close();
    LocalHttpServer secure(LocalHttpServer::Tls);
    secure.route("/feed.xml", {feedOf("1.1")});
    secure.route("/down.xml", {.status = 303, .location = server->url("/plain.xml").toEncoded()});
    LocalHttpServer untrusted(LocalHttpServer::Tls, false);
    untrusted.route("/feed.xml", {feedOf("1.1")});
    const QByteArray secureFeed = secure.url("/feed.xml").toEncoded(),
                     secureDown = secure.url("/down.xml").toEncoded(),
                     untrustedFeed = untrusted.url("/feed.xml").toEncoded();
    const QByteArray longLine = "X-Long: " + QByteArray(20 * 1024, 'l') + "\r\n";
    const struct {
        const char* path; // on the local server, else a whole address
        LocalHttpServer::Response response;
        CheckResult::Status status;
        const char* expect = ""; // an error: part of its message; else the best item's version, if any
    } rows[] = {
        {"/new", {feedOf("1.2", "1.10", "1.9")}, UpdateAvailable, "1.10"},
        {"/empty-channel", {appcast("")}, UpToDate},
        {"/older", {feedOf("1.0", "1.0b3")}, UpToDate, "1.0"},
        {"/other-systems", {appcast(appcastItem("9.0", "url=\"/mac.zip\" sparkle:os=\"macos\""))}, UpToDate},
        {"/largest", {head + QByteArray(maximum - head.size() - tail.size(), ' ') + tail}, UpToDate},
        // A redirect whose body never ends is followed at once.
        {"/endless-redirect", {.status = 307, .location = "/older", .endless = true}, UpToDate, "1.0"},
        {"/missing", {"not found", 404}, Error, "HTTP 404"},
        {"/choices", {"<rss/>", 300}, Error, "HTTP 300"}, // no redirect without a Location
        {"/unclosed", {"<rss version=\"2.0\">\n<channel><item>"}, Error, "could not be read (line "},
        {"/not-rss", {"<html><body/></html>"}, Error, "not an RSS feed"},
        {"/empty", {""}, Error, "line 1"},
        {"/entities", {"<!DOCTYPE rss [<!ENTITY a \"aaaaaaaa\">]><rss>&a;</rss>"}, Error, "entity"},
        {"/external-entity", {"<!DOCTYPE rss SYSTEM \"file:///etc/passwd\"><rss/>"}, Error, "entity"},
        {"/stall", {.stall = true}, Error, "did not answer in time"},
        {"/trickle", {.body = feedOf("1.1"), .trickleMs = 20}, Error, "too long"},
        {"/oversize", {QByteArray(maximum + 1, 'x')}, Error, "too large"},
        {"/unmeasured", {.body = head, .endless = true}, Error, "too large"},
        {"/loop", {.status = 308, .location = "/loop"}, Error, "redirected too often"},
        {"/away", {.status = 301, .location = "http://198.51.100.7/appcast.xml"}, Error, "not safe"},
        {refused.constData(), {}, Error},
        {"http://198.51.100.7/applications/appcast.xml", {}, Error, "must use HTTPS"},
        {secureFeed.constData(), {}, UpdateAvailable, "1.1"},
        {secureDown.constData(), {}, Error, "not safe"}, // after an HTTPS hop, no plain HTTP even to loopback
        {untrustedFeed.constData(), {}, Error, "certificate"},
        // Headers are bounded, each line and all together, however the server goes on.
        {"/endless-headers", {.endlessHeaders = true}, Error, "more headers than"},
        {"/long-header", {.body = feedOf("1.1"), .headers = longLine}, Error, "more headers than"},
        // A compressed body is taken as it came, never decoded: 16 KB stay 16 KB.
        {"/gzip-bomb",
         {.body = gzipBomb(16), .headers = "Content-Encoding: gzip\r\n"},
         Error,
         "could not be read"},
        // A redirect's endless body on a connection kept open is not drained before the next hop.
        {"/kept-redirect",
         {.status = 307, .location = "/older", .endless = true, .keepAlive = true},
         UpToDate,
         "1.0"},
        {"/to-file",
         {.status = 302, .location = "file:///etc/passwd"},
         Error,
         "not safe: file:///etc/passwd"},
        // The refused address is shown without the right-to-left override hidden in it.
        {"/disguised",
         {.status = 302, .location = "http://198.51.100.7/%E2%80%AEgnp.exe"},
         Error,
         "not safe: http://198.51.100.7/gnp.exe"},
    };
    for (const auto& row : rows)
        server->route(QLatin1String(row.path), row.response);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        QSignalSpy dated(updater.get(), &Updater::lastUpdateCheckDateChanged);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        // Only the stalled server should meet the timeout, however slow the machine running the test.
        updater->setTransferTimeoutMs(row.response.stall ? 500 : 4000);
        updater->setCheckDeadlineMs(row.response.trickleMs ? 300 : 60000);
        updater->setFeedURL(*row.path == '/' ? server->url(QLatin1String(row.path)) : QUrl(row.path));
        recorder->events.clear();
        const CheckResult result = runCheck(Mode::UserInitiated);
        const bool failed = row.status == Error;
        EXPECT_EQ(result.status, row.status) << result.message.toStdString();
        EXPECT_TRUE(failed ? result.message.contains(QLatin1String(row.expect)) : result.message.isEmpty())
            << result.message.toStdString();
        EXPECT_EQ(result.item ? result.item->version.toStdString() : "", failed ? "" : row.expect);
        const char* shown[] = {"upToDate", "updateFound", "error"}; // by status
        EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck", shown[int(row.status)]}));
        EXPECT_EQ(dated.count(), failed ? 0 : 1);
        EXPECT_TRUE(failed || updater->lastUpdateCheckDate() >= before);
        EXPECT_FALSE(updater->isChecking());
    }
    const QByteArray sent = server->requests().first().head;
    EXPECT_TRUE(sent.contains("\r\nUser-Agent: Sheetwright/1.0\r\n") &&
                sent.contains("\r\nAccept: application/rss+xml"));
    // No request asks for a compressed answer.
    EXPECT_TRUE(std::none_of(server->requests().begin(), server->requests().end(),
                             [](const auto& request) { return request.head.contains("Accept-Encoding"); }));
    // Redirects are followed only as far as allowed; an endless redirect's body is not read.
    EXPECT_EQ(std::count_if(server->requests().begin(), server->requests().end(),
                            [](const auto& request) { return request.path == "/loop"; }),
              Updater::maximumRedirects + 1);
    EXPECT_LT(server->bytesSent(), 32 * 1024 * 1024);
}

TEST_F(UpdateCheckTest,
       SystemProfileIsSentAtMostWeeklyAndOnlyWhenAllowedAndARequestWhileCheckingJoinsTheCheck)
{
    server->route(releasesPath(), {feedOf("1.0")});
    runCheck(Mode::Probe);
    updater->setSendsSystemProfile(true);
    runCheck(Mode::Probe);
    runCheck(Mode::Probe);
    ASSERT_EQ(server->requests().size(), 3);
    const QUrlQuery profile(server->requests()[1].query);
    EXPECT_EQ(profile.queryItemValue("appVersion"), "1.0");
    for (const char* item : {"osName", "osVersion", "cpuArch"})
        EXPECT_FALSE(profile.queryItemValue(item).isEmpty()) << item;
    EXPECT_TRUE(server->requests()[0].query.isEmpty() && server->requests()[2].query.isEmpty());
    EXPECT_TRUE(updater->lastProfileSubmissionDate().isValid());
    EXPECT_TRUE(recorder->events.isEmpty()); // a probe shows nothing

    // Asked again while checking: one check, one request, and the user sees it.
    server->route(releasesPath(), {feedOf("1.1")});
    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    updater->check(Mode::Background);
    updater->checkForUpdates();
    updater->checkForUpdates();
    updater->check(Mode::Background);
    ASSERT_TRUE(finished.wait(5000));
    QTest::qWait(50);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(server->requests().size(), 4);
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "bringToFront", "dismissCheck", "updateFound"}));
}

TEST_F(UpdateCheckTest, BackgroundChecksSpeakOnlyOfANewUnskippedReleaseAndAFailedOneIsRetriedAfterAnHour)
{
    updater->setFeedURL(server->url("/missing"));
    EXPECT_EQ(runCheck(Mode::Background).status, Error);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_NEAR(now.secsTo(updater->nextCheckDue()), 3600, 5);
    // The retry never pulls the next due check closer.
    defaults->setString("KestrelUpdater/LastUpdateCheckDate", now.toString(Qt::ISODateWithMs));
    EXPECT_NEAR(now.secsTo(updater->nextCheckDue()), 86400, 5);
    updater->setFeedURL(server->url(releasesPath()));
    server->route(releasesPath(), {feedOf("1.0")});
    EXPECT_EQ(runCheck(Mode::Background).status, UpToDate);
    server->route(releasesPath(), {feedOf("1.1")});
    updater->setSkippedVersion("1.1");
    EXPECT_EQ(runCheck(Mode::Background).status, UpToDate);
    EXPECT_TRUE(recorder->events.isEmpty());
    EXPECT_EQ(runCheck(Mode::UserInitiated).status, UpdateAvailable);
    // A newer release than the skipped one speaks again.
    server->route(releasesPath(), {feedOf("1.2")});
    recorder->events.clear();
    EXPECT_EQ(runCheck(Mode::Background).status, UpdateAvailable);
    EXPECT_EQ(recorder->events, QStringList{"updateFound"});
}

TEST_F(UpdateCheckTest, AutomaticChecksRunOnTheirOwnOnlyWhenOnAndAfterTheStartUpDelay)
{
    server->route(releasesPath(), {feedOf("1.0")});
    updater->setInitialCheckDelayMs(0);
    QTest::qWait(300);
    EXPECT_TRUE(server->requests().isEmpty());
    await<CheckResult>(&Updater::checkFinished, [&] { updater->setAutomaticallyChecksForUpdates(true); });
    EXPECT_EQ(server->requests().size(), 1);
    // Checked just now: the next one is a whole interval away.
    EXPECT_TRUE(updater->isScheduled());
    EXPECT_NEAR(QDateTime::currentDateTimeUtc().secsTo(updater->nextCheckDue()), 86400, 5);
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->isScheduled());
    // An overdue check at start-up still waits out the (default) delay.
    defaults->setString("KestrelUpdater/LastUpdateCheckDate", "2020-01-01T00:00:00.000Z");
    defaults->setBool("KestrelUpdater/AutomaticallyChecksForUpdates", true);
    updater = makeUpdater(testApplicationId);
    EXPECT_TRUE(updater->isScheduled());
    QTest::qWait(300);
    EXPECT_EQ(server->requests().size(), 1);
    await<CheckResult>(&Updater::checkFinished, [&] { updater->setInitialCheckDelayMs(0); });
    EXPECT_EQ(server->requests().size(), 2);
}

} // namespace
