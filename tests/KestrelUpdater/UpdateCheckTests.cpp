#include "LoopbackHttpSwitch.h"
#include "TestCertificate.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <QTcpServer>
#include <QUrlQuery>

using namespace KestrelUpdater;
using TestSupport::appcast;
using TestSupport::appcastItem;
using TestSupport::LocalHttpServer;
using Mode = Updater::CheckMode;
using Status = CheckResult::Status;

namespace {

using UpdateCheckTest = TestSupport::UpdaterFixture;

TEST_F(UpdateCheckTest, NewerReleaseIsFoundShownAndDated)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.1") + appcastItem("0.9")));
    QSignalSpy dated(updater.get(), &Updater::lastUpdateCheckDateChanged);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);

    const CheckResult result = runCheck(Mode::UserInitiated);
    EXPECT_EQ(result.status, Status::UpdateAvailable);
    ASSERT_TRUE(result.item);
    EXPECT_EQ(result.item->version, "1.1");
    EXPECT_EQ(result.item->enclosure.url, server->url("/files/Sheetwright.AppImage"));
    ASSERT_EQ(server->requests().size(), 1);
    EXPECT_EQ(server->requests().first().path, releasesPath());
    EXPECT_TRUE(server->requests().first().query.isEmpty());
    EXPECT_EQ(server->requests().first().headers.value("user-agent"), "Sheetwright/1.0");
    EXPECT_EQ(dated.count(), 1);
    EXPECT_GE(updater->lastUpdateCheckDate(), before);
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck", "updateFound"}));
    EXPECT_FALSE(updater->isChecking());
}

TEST_F(UpdateCheckTest, NothingNewerForThisSystemIsUpToDate)
{
    const QByteArray head = "<rss><channel>", tail = "</channel></rss>";
    LocalHttpServer::Response endlessRedirect;
    endlessRedirect.status = 302;
    endlessRedirect.headers.append({"Location", releasesPath().toUtf8()});
    endlessRedirect.omitContentLength = true;
    endlessRedirect.endless = true;
    server->route("/moved", endlessRedirect);
    const struct {
        const char* name;
        QByteArray feed;
        bool hasItem;
        const char* via; // the feed's address, if not the usual one
    } cases[] = {
        {"same or older", appcast(appcastItem("1.0") + appcastItem("1.0b3")), true, nullptr},
        {"other systems", appcast(appcastItem("9.0", "url=\"/mac.zip\" sparkle:os=\"macos\"")), false,
         nullptr},
        {"largest size", head + QByteArray(Updater::maximumFeedSize - head.size() - tail.size(), ' ') + tail,
         false, nullptr},
        // A redirect whose body never ends is followed at once.
        {"endless redirect", appcast(appcastItem("1.0")), true, "/moved"},
    };
    for (const auto& c : cases) {
        server->routeBody(releasesPath(), c.feed);
        updater->setFeedURL(server->url(c.via ? QString::fromLatin1(c.via) : releasesPath()));
        recorder->events.clear();
        const CheckResult result = runCheck(Mode::UserInitiated);
        EXPECT_EQ(result.status, Status::UpToDate) << c.name << ": " << result.message.toStdString();
        EXPECT_EQ(bool(result.item), c.hasItem) << c.name;
        EXPECT_EQ(recorder->events.value(2), "upToDate") << c.name;
    }
    EXPECT_TRUE(updater->lastUpdateCheckDate().isValid());
    // Only what sat in the socket buffers when the redirect was seen, not the endless body.
    EXPECT_LT(server->bytesSent(), 32 * 1024 * 1024);
}

TEST_F(UpdateCheckTest, FailuresAreErrorsAndNeverDateTheCheck)
{
    const QByteArray oversize(Updater::maximumFeedSize + 1, 'x');
    LocalHttpServer::Response stalled;
    stalled.stall = true;
    LocalHttpServer::Response unmeasured;
    unmeasured.body = "<rss><channel>" + QByteArray(Updater::maximumFeedSize, ' ') + "</channel></rss>";
    unmeasured.omitContentLength = true;
    server->route("/stall", stalled);
    server->route("/unmeasured", unmeasured);
    server->routeBody("/oversize", oversize);
    server->routeBody("/garbage", "<rss><channel><item>");
    server->routeBody("/error", "oops", 500);
    server->redirect("/loop", "/loop");
    server->redirect("/away", "http://198.51.100.7/appcast.xml");

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(closed.serverPort()));
    closed.close();

    const struct {
        QUrl feed;
        const char* needle;
    } cases[] = {
        {server->url("/missing"), "HTTP 404"},
        {server->url("/error"), "HTTP 500"},
        {server->url("/garbage"), "could not be read (line"},
        {server->url("/stall"), "did not answer in time"},
        {server->url("/oversize"), "too large"},
        {server->url("/unmeasured"), "too large"},
        {server->url("/loop"), "redirected too often"},
        {server->url("/away"), "not safe"},
        {refused, ""},
        {QUrl(QStringLiteral("http://198.51.100.7/applications/appcast.xml")), "must use HTTPS"},
    };
    for (const auto& c : cases) {
        // Only the stalled server should meet the timeout, however slow the machine running the test.
        updater->setTransferTimeoutMs(c.feed.path() == "/stall" ? 500 : 4000);
        updater->setFeedURL(c.feed);
        const CheckResult result = runCheck(Mode::UserInitiated);
        EXPECT_EQ(result.status, Status::Error) << c.feed.toString().toStdString();
        EXPECT_FALSE(result.message.isEmpty());
        EXPECT_TRUE(result.message.contains(QLatin1String(c.needle)))
            << c.feed.toString().toStdString() << ": " << result.message.toStdString();
        EXPECT_EQ(recorder->events.last(), "error");
    }
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
    // Each redirect was followed only as far as allowed.
    EXPECT_EQ(std::count_if(server->requests().begin(), server->requests().end(),
                            [](const auto& request) { return request.path == "/loop"; }),
              Updater::maximumRedirects + 1);
}

TEST_F(UpdateCheckTest, ATricklingServerEndsInAClearErrorAndTheUserCanCheckAgain)
{
    LocalHttpServer::Response trickle;
    trickle.body = appcast(appcastItem("1.1"));
    trickle.trickleMs = 20;
    server->route(releasesPath(), trickle);
    updater->setCheckDeadlineMs(300);

    // A quiet check is running when the user asks: the user sees it and its outcome.
    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    updater->check(Mode::Background);
    updater->checkForUpdates();
    ASSERT_TRUE(finished.wait(5000));
    const CheckResult result = finished.first().first().value<CheckResult>();
    EXPECT_EQ(result.status, Status::Error);
    EXPECT_TRUE(result.message.contains("too long")) << result.message.toStdString();
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck", "error"}));
    EXPECT_FALSE(updater->isChecking());

    // "Check for Updates…" works again at once.
    server->routeBody(releasesPath(), appcast(appcastItem("1.1")));
    recorder->events.clear();
    EXPECT_EQ(runCheck(Mode::UserInitiated).status, Status::UpdateAvailable);
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck", "updateFound"}));
}

TEST_F(UpdateCheckTest, PlainHttpIsRefusedWhereTheApplicationRefusesIt)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.1")));
    server->routeBody("/files/app.AppImage", "file");
    TestSupport::loopbackHttpOn = false;
    const CheckResult result = runCheck(Mode::UserInitiated);
    EXPECT_EQ(result.status, Status::Error);
    EXPECT_TRUE(result.message.contains("must use HTTPS")) << result.message.toStdString();
    const DownloadResult download = runDownload(downloadItem("/files/app.AppImage", 4));
    EXPECT_EQ(download.status, DownloadResult::Status::Error);
    EXPECT_TRUE(download.message.contains("HTTPS")) << download.message.toStdString();
    EXPECT_TRUE(server->requests().isEmpty());
}

TEST_F(UpdateCheckTest, AfterAnHttpsHopNothingStepsDownToPlainHttp)
{
    const auto certificate = TestSupport::TestCertificate::make();
    certificate.trustInThisProcess();
    LocalHttpServer secure(certificate.certificate, certificate.key);
    const QByteArray feed = appcast(appcastItem("1.1", "url=\"/files/app.AppImage\" length=\"4\""));
    secure.routeBody("/feed.xml", feed);
    secure.routeBody("/files/app.AppImage", "file");
    secure.redirect("/down.xml", server->url("/feed.xml").toString());
    secure.redirect("/files/down.AppImage", server->url("/files/app.AppImage").toString());
    server->routeBody("/feed.xml", feed);
    server->routeBody("/files/app.AppImage", "file");

    updater->setFeedURL(secure.url("/feed.xml"));
    CheckResult result = runCheck(Mode::Probe);
    ASSERT_EQ(result.status, Status::UpdateAvailable) << result.message.toStdString();
    updater->setFeedURL(secure.url("/down.xml"));
    result = runCheck(Mode::Probe);
    EXPECT_EQ(result.status, Status::Error);
    EXPECT_TRUE(result.message.contains("not safe")) << result.message.toStdString();

    AppcastItem item = downloadItem({}, 4);
    item.enclosure.url = secure.url("/files/down.AppImage");
    const DownloadResult download = runDownload(item);
    EXPECT_EQ(download.status, DownloadResult::Status::Error);
    EXPECT_TRUE(download.message.contains("not safe")) << download.message.toStdString();
    // The plain server was never contacted.
    EXPECT_TRUE(server->requests().isEmpty());
}

TEST_F(UpdateCheckTest, SystemProfileIsSentAtMostWeeklyAndOnlyWhenAllowed)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.0")));
    runCheck(Mode::Probe);
    updater->setSendsSystemProfile(true);
    runCheck(Mode::Probe);
    runCheck(Mode::Probe);
    ASSERT_EQ(server->requests().size(), 3);
    EXPECT_TRUE(server->requests()[0].query.isEmpty());
    const QUrlQuery profile(server->requests()[1].query);
    EXPECT_EQ(profile.queryItemValue("appVersion"), "1.0");
    EXPECT_FALSE(profile.queryItemValue("osName").isEmpty());
    EXPECT_FALSE(profile.queryItemValue("cpuArch").isEmpty());
    EXPECT_TRUE(server->requests()[2].query.isEmpty());
    EXPECT_TRUE(updater->lastProfileSubmissionDate().isValid());
    EXPECT_TRUE(recorder->events.isEmpty()); // a probe shows nothing
}

TEST_F(UpdateCheckTest, ASecondRequestWhileCheckingJoinsTheFirst)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.1")));
    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    updater->checkForUpdates();
    updater->checkForUpdates();
    updater->check(Mode::Background);
    ASSERT_TRUE(finished.wait(5000));
    QTest::qWait(50);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(server->requests().size(), 1);
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "bringToFront", "dismissCheck", "updateFound"}));
}

TEST_F(UpdateCheckTest, BackgroundChecksSpeakOnlyOfANewUnskippedRelease)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.0")));
    EXPECT_EQ(runCheck(Mode::Background).status, Status::UpToDate);
    updater->setFeedURL(server->url("/missing"));
    EXPECT_EQ(runCheck(Mode::Background).status, Status::Error);
    updater->setFeedURL(server->url(releasesPath()));
    server->routeBody(releasesPath(), appcast(appcastItem("1.1")));
    updater->setSkippedVersion("1.1");
    EXPECT_EQ(runCheck(Mode::Background).status, Status::UpToDate);
    EXPECT_TRUE(recorder->events.isEmpty());
    EXPECT_EQ(runCheck(Mode::UserInitiated).status, Status::UpdateAvailable);
    // A newer release than the skipped one speaks again.
    server->routeBody(releasesPath(), appcast(appcastItem("1.2")));
    recorder->events.clear();
    EXPECT_EQ(runCheck(Mode::Background).status, Status::UpdateAvailable);
    EXPECT_EQ(recorder->events, QStringList{"updateFound"});
}

TEST_F(UpdateCheckTest, AFailedCheckIsRetriedAfterAnHourButNotBeforeTheNextDueCheck)
{
    updater->setFeedURL(server->url("/missing"));
    EXPECT_EQ(runCheck(Mode::Background).status, Status::Error);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_NEAR(now.secsTo(updater->nextCheckDue()), 3600, 5);
    defaults->setString("KestrelUpdater/LastUpdateCheckDate", now.toString(Qt::ISODateWithMs));
    updater->setUpdateCheckInterval(604800);
    EXPECT_NEAR(now.secsTo(updater->nextCheckDue()), 604800, 5);
}

TEST_F(UpdateCheckTest, CancelEndsTheCheckWithoutADialog)
{
    LocalHttpServer::Response stalled;
    stalled.stall = true;
    server->route(releasesPath(), stalled);
    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    updater->checkForUpdates();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server->requests().isEmpty(); }, 3000));
    updater->cancel();
    ASSERT_TRUE(finished.count() == 1 || finished.wait(3000));
    EXPECT_EQ(finished.first().first().value<CheckResult>().status, Status::Cancelled);
    EXPECT_EQ(recorder->events, (QStringList{"checkStarted", "dismissCheck"}));
    EXPECT_FALSE(updater->lastUpdateCheckDate().isValid());
}

TEST_F(UpdateCheckTest, AutomaticChecksRunOnTheirOwnOnlyWhenOn)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.0")));
    updater->setInitialCheckDelayMs(0);
    QTest::qWait(300);
    EXPECT_TRUE(server->requests().isEmpty());

    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    updater->setAutomaticallyChecksForUpdates(true);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(server->requests().size(), 1);
    // Checked just now: the next one is a whole interval away.
    EXPECT_TRUE(updater->isScheduled());
    QTest::qWait(200);
    EXPECT_EQ(server->requests().size(), 1);
    updater->setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(updater->isScheduled());
}

TEST_F(UpdateCheckTest, AnOverdueCheckStillWaitsOutTheStartUpDelay)
{
    server->routeBody(releasesPath(), appcast(appcastItem("1.0")));
    defaults->setString("KestrelUpdater/LastUpdateCheckDate", "2020-01-01T00:00:00.000Z");
    defaults->setBool("KestrelUpdater/AutomaticallyChecksForUpdates", true);
    updater = makeUpdater(TestSupport::testApplicationId); // start-up with the default delay
    EXPECT_TRUE(updater->isScheduled());
    QTest::qWait(300);
    EXPECT_TRUE(server->requests().isEmpty());

    QSignalSpy finished(updater.get(), &Updater::checkFinished);
    updater->setInitialCheckDelayMs(0);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(server->requests().size(), 1);
}

} // namespace
