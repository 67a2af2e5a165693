#include "KestrelUpdater/Download/UpdateDownload.h"
#include "UpdaterFixture.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using namespace TestSupport;
using DownloadStatus = DownloadResult::Status;

namespace {

// A fresh Ed25519 key pair that signs test files.
struct SigningKey {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                            EVP_PKEY_free};
    QByteArray publicKeyBase64() const
    {
        QByteArray raw(32, '\0');
        size_t length = raw.size();
        EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length);
        return raw.toBase64();
    }
    QByteArray signBase64(const QByteArray& message) const
    {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get());
        QByteArray signature(64, '\0');
        size_t length = signature.size();
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()), message.size());
        return signature.toBase64();
    }
};

TEST(UpdateDownloadNames, FileNamesCannotLeaveTheFolderHideOrDisguiseThemselves)
{
    const QString longName = QString(u'é').repeated(300) + ".AppImage";
    const struct {
        QString url;
        QString name;
    } rows[] = {
        {"https://h/files/app-1.1.AppImage", "app-1.1.AppImage"},
        {"https://h/files/..%2F..%2Fbashrc", "bashrc"},
        {"https://h/files/a%5Cb%0A.deb", "a_b.deb"},
        {"https://h/.hidden", "hidden"},
        {"https://h/%20.bashrc", "bashrc"},
        {"https://h/%20%20.%20.profile", "profile"},
        // Right-to-left override, isolates and zero-width characters vanish.
        {"https://h/app%E2%80%AEgmi.exe", "appgmi.exe"},
        {"https://h/%E2%81%A6app%E2%81%A9%E2%80%8B.AppImage", "app.AppImage"},
        {"https://h/", "update"},
        {"https://h/...", "update"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(UpdateDownload::safeFileName(QUrl(row.url)), row.name) << row.url.toStdString();
    // A long name is cut between characters, as long as allowed, and keeps its extension.
    const QString cut = UpdateDownload::safeFileName(QUrl("https://h/" + QUrl::toPercentEncoding(longName)));
    EXPECT_EQ(cut, QString(u'é').repeated(95) + ".AppImage"); // 199 of the 200 bytes allowed
    QTemporaryDir folder;
    QFile(folder.filePath("app.tar.gz")).open(QIODevice::WriteOnly);
    EXPECT_EQ(UpdateDownload::uniquePath(folder.path(), "app.tar.gz"), folder.filePath("app (2).tar.gz"));
    EXPECT_EQ(UpdateDownload::uniquePath(folder.path(), "new.deb"), folder.filePath("new.deb"));
}

class UpdateDownloadTest : public UpdaterFixture {
protected:
    const QByteArray payload = QByteArray("AppImage payload ").repeated(1000);
    const QString filePath = QStringLiteral("/files/Sheetwright-1.1.AppImage");
    const SigningKey key;
    QStringList downloadedFiles() const
    {
        return QDir(downloadsFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(UpdateDownloadTest, EveryDownloadIsBoundedCheckedAndSafelyNamedWhateverTheServerSends)
{
    const SigningKey impostor;
    const qint64 size = payload.size();
    server->route("/file", {payload});
    server->route("/files/ .bashrc", {payload});
    server->route("/moved", {.status = 302, .location = "/file", .endless = true});
    server->route("/endless", {.endless = true});
    server->route("/trickle", {.body = payload, .trickleMs = 5});
    server->route("/one", {"1"});
    server->route("/endless-headers", {.endlessHeaders = true});
    constexpr qint64 hundredGiB = qint64(100) * 1024 * 1024 * 1024;
    server->route("/huge", {.endless = true, .contentLength = hundredGiB});
    server->route("/hop0", {payload});
    for (int hop = 1; hop <= 6; ++hop) // each to the one before
        server->route("/hop" + QString::number(hop),
                      {.status = 302, .location = "/hop" + QByteArray::number(hop - 1)});
    LocalHttpServer secure(LocalHttpServer::Tls);
    secure.route("/down", {.status = 302, .location = server->url("/file").toEncoded()});
    const QByteArray secureDown = secure.url("/down").toEncoded();
    updater->setMaximumDownloadSize(1024 * 1024);
    updater->setMinimumDownloadRate(100 * 1024, 100);
    const struct {
        const char* path;
        qint64 length;
        const char* needle; // in the error message; empty: downloaded
        QByteArray publicKey = {};
        QByteArray signature = {};
    } rows[] = {
        {"/moved", size, ""},
        {"/hop5", size, ""},
        {"/hop6", size, "redirected too often"},
        {"/files/%20.bashrc", size, ""}, // a name that would hide the file
        // No length announced: cut at the maximum, and the feed is not blamed for a length it never gave.
        {"/endless", -1, "The download was stopped at 1 MB: no update is that large."},
        {"/endless", 512 * 1024, "larger than the update feed says"},
        {"/endless", 0, "larger than the update feed says"},
        {"/trickle", size, "too slowly"},
        {"/file", size + 10, "bytes"},
        {"/file", size - 10, "larger"},
        {"/file", size, "signature", key.publicKeyBase64(), impostor.signBase64(payload)}, // forged
        {"/file", size, "signature", key.publicKeyBase64(), "not base64 at all!"},
        {"/file", size, "signature", "c2hvcnQ=", key.signBase64(payload)}, // a short key
        {"/one", 1, "", key.publicKeyBase64(), key.signBase64("1")},       // a signed file of one byte
        {"/file", size, "signature", key.publicKeyBase64(), key.signBase64("another file")},
        {"/file", size, "not signed", key.publicKeyBase64()},
        {"/missing", 10, "404"},
        {"http://198.51.100.7/app.AppImage", 4, "HTTPS"},
        {secureDown.constData(), size, "not safe"}, // after an HTTPS hop, no plain HTTP even to loopback
        {"/endless-headers", size, "more headers than"},
        // Past the ceiling, whoever announces it: the feed (refused before asking the server), the
        // server (refused at its headers).
        {"/huge", hundredGiB, "The update feed announces 102400 MB: no update is that large."},
        {"/huge", -1, "The update server offers 102400 MB: no update is that large."},
        {"/huge", size, "larger than the update feed says"},
    };
    int version = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + (" " + std::string(row.needle)));
        const qint64 sentBefore = server->bytesSent();
        const QStringList filesBefore = downloadedFiles();
        updater->setPublicEd25519Key(row.publicKey);
        AppcastItem item = downloadItem(QLatin1String(row.path), row.length, row.signature);
        if (*row.path != '/')
            item.enclosure.url = QUrl(row.path);
        item.version = QString::number(++version); // nothing counts as downloaded before
        const DownloadResult result = runDownload(item);
        EXPECT_EQ(result.status, *row.needle ? DownloadStatus::Error : DownloadStatus::Downloaded);
        EXPECT_TRUE(result.message.contains(QLatin1String(row.needle))) << result.message.toStdString();
        EXPECT_EQ(result.filePath.isEmpty(), bool(*row.needle));
        // A failed file is deleted, and no partial file is left either way.
        EXPECT_EQ(downloadedFiles().size(), filesBefore.size() + (*row.needle ? 0 : 1));
        // What the client took is bounded by the limit and socket buffers, not by what the server offers.
        EXPECT_LT(server->bytesSent() - sentBefore, 32 * 1024 * 1024);
        EXPECT_EQ(recorder->events, (QStringList{"downloadStarted", "downloadFinished"}));
        recorder->events.clear();
    }
    // Named after the feed's address, not the redirect's target.
    EXPECT_EQ(downloadedFiles(), (QStringList{"bashrc", "hop5", "moved", "one"}));
    EXPECT_EQ(std::count_if(server->requests().begin(), server->requests().end(),
                            [](const auto& request) { return request.path == "/huge"; }),
              2);
}

TEST_F(UpdateDownloadTest, AFileArrivesUndecodedAndADownloadEndsByItsDeadlineWithNoNewDialogMeanwhile)
{
    // Sent compressed, kept compressed: never inflated to what it would decode to.
    const QByteArray bomb = gzipBomb(64);
    server->route("/files/bomb.gz", {.body = bomb, .headers = "Content-Encoding: gzip\r\n"});
    const DownloadResult kept = runDownload(downloadItem("/files/bomb.gz", bomb.size()));
    ASSERT_EQ(kept.status, DownloadStatus::Downloaded) << kept.message.toStdString();
    QFile file(kept.filePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bomb);
    QFile::remove(kept.filePath);

    // Fast enough for the rate, too slow for the deadline; the quiet check meanwhile finds the very
    // version being downloaded and shows nothing.
    const QString enclosure = QStringLiteral("url=\"%1\" length=\"%2\"").arg(filePath).arg(payload.size());
    server->route(releasesPath(), {appcast(appcastItem("1.1", enclosure))});
    server->route(filePath, {.body = payload, .trickleMs = 5});
    updater->setMinimumDownloadRate(1, 1000);
    updater->setDownloadDeadlineMs(2000);
    recorder->events.clear();
    QSignalSpy finished(updater.get(), &Updater::downloadFinished);
    QElapsedTimer clock;
    clock.start();
    updater->downloadUpdate(downloadItem(filePath, payload.size()));
    EXPECT_EQ(runCheck(Mode::Background).status, CheckResult::Status::UpdateAvailable);
    EXPECT_TRUE(updater->isDownloading());
    ASSERT_TRUE(finished.wait(8000));
    const auto result = finished.first().first().value<DownloadResult>();
    EXPECT_EQ(result.message, "The download did not finish within 2 seconds.");
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_EQ(recorder->events, (QStringList{"downloadStarted", "downloadFinished"}));
    EXPECT_TRUE(downloadedFiles().isEmpty());
    // Once no download runs, a quiet check speaks again.
    runCheck(Mode::Background);
    EXPECT_EQ(recorder->events.last(), "updateFound");
}

TEST_F(UpdateDownloadTest, ACancelledDownloadLeavesNothingBehind)
{
    server->route(filePath, {.body = payload, .trickleMs = 5});
    QSignalSpy progress(updater.get(), &Updater::downloadProgress);
    const DownloadResult result = await<DownloadResult>(&Updater::downloadFinished, [&] {
        updater->downloadUpdate(downloadItem(filePath, payload.size()));
        ASSERT_TRUE(progress.wait(5000));
        EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage.part"}); // in plain sight
        updater->cancelDownload();
    });
    EXPECT_EQ(result.status, DownloadStatus::Cancelled);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(downloadedFiles().isEmpty());
    EXPECT_FALSE(updater->isDownloading());
    // Cancelled while its signature is checked, the transfer over: cancelled all the same.
    server->route("/file", {payload});
    updater->setPublicEd25519Key(key.publicKeyBase64());
    const DownloadResult whileChecked = await<DownloadResult>(&Updater::downloadFinished, [&] {
        updater->downloadUpdate(downloadItem("/file", payload.size(), key.signBase64(payload)));
        QObject::connect(
            updater->findChild<UpdateDownload*>(), &UpdateDownload::verifying, updater.get(),
            [&] { updater->cancelDownload(); }, Qt::QueuedConnection);
    });
    EXPECT_EQ(whileChecked.status, DownloadStatus::Cancelled);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(UpdateDownloadTest, AnUpdaterThatGoesWhileBytesArriveOrWhileTheyAreCheckedLeavesNothingBehind)
{
    server->route(filePath, {.body = payload, .trickleMs = 5});
    QSignalSpy progress(updater.get(), &Updater::downloadProgress);
    updater->downloadUpdate(downloadItem(filePath, payload.size()));
    ASSERT_TRUE(progress.wait(5000));
    updater.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return downloadedFiles().isEmpty(); }, 5000));

    updater = makeUpdater(testApplicationId);
    server->route("/file", {payload});
    updater->setPublicEd25519Key(key.publicKeyBase64());
    updater->downloadUpdate(downloadItem("/file", payload.size(), key.signBase64(payload)));
    QObject context;
    QObject::connect(
        updater->findChild<UpdateDownload*>(), &UpdateDownload::verifying, &context, [&] { updater.reset(); },
        Qt::QueuedConnection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !updater; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return downloadedFiles().isEmpty(); }, 5000));
}

TEST_F(UpdateDownloadTest, OnlyWithAKeyIsAnUpdateFetchedUnaskedAndThenOnceAndAnnouncedOnce)
{
    const QString enclosure = QStringLiteral("url=\"%1\" length=\"%2\" sparkle:edSignature=\"%3\"");
    const QByteArray signature = key.signBase64(payload);
    server->route(releasesPath(),
                  {appcast(appcastItem("1.1", enclosure.arg(filePath).arg(payload.size()).arg(signature)))});
    server->route(filePath, {payload});
    updater->setAutomaticallyDownloadsUpdates(true);
    // A background check, and the silent download it may start.
    const auto backgroundCheck = [&] {
        QSignalSpy downloaded(updater.get(), &Updater::downloadFinished);
        runCheck(Mode::Background);
        EXPECT_TRUE(!updater->isDownloading() || downloaded.wait(5000));
    };
    KestrelExtensions::LogCapture log;
    backgroundCheck();
    EXPECT_EQ(server->requests().size(), 1); // without a key, the feed only, and the log says why
    EXPECT_TRUE(
        log.systemLines().contains("Not downloading the update automatically: there is no key to verify it"));
    EXPECT_EQ(recorder->events, QStringList{"updateFound"});
    recorder->events.clear();
    updater->setPublicEd25519Key(key.publicKeyBase64());
    for (int check = 0; check < 3; ++check)
        backgroundCheck();
    EXPECT_EQ(server->requests().size(), 4 + 1); // four feeds, one file
    EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage"});
    EXPECT_EQ(recorder->events, QStringList{"downloadFinished"});
    // Asked for by hand, the same version is not fetched again either; the user is told where it is.
    const DownloadResult again = runDownload(downloadItem(filePath, payload.size(), signature));
    EXPECT_EQ(std::tuple(again.status, again.signatureVerified, again.filePath),
              std::tuple(DownloadStatus::Downloaded, true,
                         QDir(downloadsFolder()).filePath("Sheetwright-1.1.AppImage")));
    EXPECT_EQ(server->requests().size(), 4 + 1);
    QFile file(again.filePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), payload);
    // Once the file is gone (or changed), it is fetched again.
    QFile(again.filePath).remove();
    backgroundCheck();
    EXPECT_EQ(server->requests().size(), 5 + 1 + 1);
    EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage"});
    // Without a key, a download by hand is unverified.
    updater->setPublicEd25519Key({});
    QFile(again.filePath).remove();
    const DownloadResult unverified = runDownload(downloadItem(filePath, payload.size()));
    EXPECT_EQ(std::pair(unverified.status, unverified.signatureVerified),
              std::pair(DownloadStatus::Downloaded, false));
}

} // namespace
