#include "KestrelUpdater/Download/Ed25519Signature.h"
#include "KestrelUpdater/Download/UpdateDownload.h"
#include "LoopbackHttpSwitch.h"
#include "UpdaterFixture.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <openssl/evp.h>

using namespace KestrelUpdater;
using TestSupport::appcast;
using TestSupport::appcastItem;
using TestSupport::LocalHttpServer;
using DownloadStatus = DownloadResult::Status;

namespace {

// A fresh Ed25519 key pair that signs test files.
class SigningKey {
public:
    SigningKey() : m_key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), EVP_PKEY_free) {}

    QByteArray publicKeyBase64() const
    {
        QByteArray raw(32, '\0');
        size_t length = raw.size();
        EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length);
        return raw.toBase64();
    }
    QByteArray signBase64(const QByteArray& message) const
    {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, m_key.get());
        QByteArray signature(64, '\0');
        size_t length = signature.size();
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()), message.size());
        return signature.toBase64();
    }

private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> m_key;
};

TEST(Ed25519Signature, VerifiesOnlyTheSignedBytesUnderTheRightKey)
{
    const SigningKey key;
    const SigningKey other;
    const QByteArray file = "the update's bytes";
    const QByteArray signature = key.signBase64(file);
    EXPECT_TRUE(verifyEd25519(key.publicKeyBase64(), signature, file));
    EXPECT_FALSE(verifyEd25519(other.publicKeyBase64(), signature, file));
    EXPECT_FALSE(verifyEd25519(key.publicKeyBase64(), signature, file + "!"));
    EXPECT_FALSE(verifyEd25519(key.publicKeyBase64(), "not base64 at all!", file));
    EXPECT_FALSE(verifyEd25519("c2hvcnQ=", signature, file));
    EXPECT_FALSE(verifyEd25519(key.publicKeyBase64(), "", file));
}

TEST(UpdateDownloadNames, FileNamesCannotLeaveTheFolderHideOrDisguiseThemselves)
{
    const QString longName = QString(u'é').repeated(300) + ".AppImage";
    const struct {
        QString url;
        QString name;
    } cases[] = {
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
        {"https://h/" + QUrl::toPercentEncoding(longName), {}},
    };
    for (const auto& c : cases) {
        const QString name = UpdateDownload::safeFileName(QUrl(c.url));
        if (!c.name.isEmpty()) {
            EXPECT_EQ(name, c.name) << c.url.toStdString();
        }
        EXPECT_FALSE(name.startsWith(u'.')) << c.url.toStdString();
        EXPECT_LE(name.toUtf8().size(), UpdateDownload::maximumFileNameBytes) << c.url.toStdString();
    }
    // A long name is cut between characters, as long as allowed, and keeps its extension.
    EXPECT_EQ(UpdateDownload::safeFileName(QUrl("https://h/" + QString(300, u'a') + ".deb")).toUtf8().size(),
              UpdateDownload::maximumFileNameBytes);
    const QString cut = UpdateDownload::safeFileName(QUrl("https://h/" + QUrl::toPercentEncoding(longName)));
    EXPECT_TRUE(cut.endsWith(".AppImage"));
    EXPECT_GT(cut.toUtf8().size(), UpdateDownload::maximumFileNameBytes - 2);
    EXPECT_EQ(QString::fromUtf8(cut.toUtf8()), cut);
    EXPECT_TRUE(cut.startsWith(QString(u'é').repeated(10)));

    QTemporaryDir folder;
    QFile(folder.filePath("app.tar.gz")).open(QIODevice::WriteOnly);
    EXPECT_EQ(UpdateDownload::uniquePath(folder.path(), "app.tar.gz"), folder.filePath("app (2).tar.gz"));
    EXPECT_EQ(UpdateDownload::uniquePath(folder.path(), "new.deb"), folder.filePath("new.deb"));
}

class UpdateDownloadTest : public TestSupport::UpdaterFixture {
protected:
    const QByteArray payload = QByteArray("AppImage payload ").repeated(1000);
    const QString filePath = QStringLiteral("/files/Sheetwright-1.1.AppImage");

    AppcastItem item(qint64 length, const QByteArray& signature = {})
    {
        return downloadItem(filePath, length, signature);
    }

    QStringList downloadedFiles() const
    {
        return QDir(downloadsFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(UpdateDownloadTest, AVerifiedFileLandsInTheDownloadsFolder)
{
    const SigningKey key;
    updater->setPublicEd25519Key(key.publicKeyBase64());
    server->routeBody(filePath, payload);

    const DownloadResult result = runDownload(item(payload.size(), key.signBase64(payload)));
    EXPECT_EQ(result.status, DownloadStatus::Downloaded) << result.message.toStdString();
    EXPECT_TRUE(result.signatureVerified);
    EXPECT_EQ(result.filePath, QDir(downloadsFolder()).filePath("Sheetwright-1.1.AppImage"));
    QFile file(result.filePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), payload);
    EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage"}); // no partial file left
    EXPECT_EQ(recorder->events, (QStringList{"downloadStarted", "downloadFinished"}));
}

TEST_F(UpdateDownloadTest, AFileThatFailsACheckIsDeleted)
{
    const SigningKey key;
    const SigningKey impostor;
    server->routeBody(filePath, payload);
    const struct {
        const char* name;
        QByteArray publicKey;
        AppcastItem item;
        const char* needle;
    } cases[] = {
        {"short", {}, item(payload.size() + 10), "bytes"},
        {"long", {}, item(payload.size() - 10), "larger"},
        {"forged", key.publicKeyBase64(), item(payload.size(), impostor.signBase64(payload)), "signature"},
        {"unsigned", key.publicKeyBase64(), item(payload.size()), "not signed"},
        {"unreachable", {}, downloadItem("/missing", 10), "404"},
    };
    for (const auto& c : cases) {
        updater->setPublicEd25519Key(c.publicKey);
        const DownloadResult result = runDownload(c.item);
        EXPECT_EQ(result.status, DownloadStatus::Error) << c.name;
        EXPECT_TRUE(result.message.contains(QLatin1String(c.needle)))
            << c.name << ": " << result.message.toStdString();
        EXPECT_TRUE(result.filePath.isEmpty());
        EXPECT_TRUE(downloadedFiles().isEmpty())
            << c.name << ": " << downloadedFiles().join(", ").toStdString();
    }
}

TEST_F(UpdateDownloadTest, EveryDownloadIsBoundedAndSafelyNamedWhateverTheServerSends)
{
    LocalHttpServer::Response endlessRedirect;
    endlessRedirect.status = 302;
    endlessRedirect.headers.append({QByteArray("Location"), filePath.toUtf8()});
    endlessRedirect.omitContentLength = true;
    endlessRedirect.endless = true;
    LocalHttpServer::Response endless;
    endless.omitContentLength = true;
    endless.endless = true;
    LocalHttpServer::Response trickle;
    trickle.body = payload;
    trickle.trickleMs = 5;
    server->routeBody(filePath, payload);
    server->routeBody("/files/ .bashrc", payload);
    server->route("/moved", endlessRedirect);
    server->route("/endless", endless);
    server->route("/trickle", trickle);
    updater->setMaximumDownloadSize(1024 * 1024);
    updater->setMinimumDownloadRate(100 * 1024, 100);

    const struct {
        const char* path;
        qint64 length;
        const char* needle; // empty: downloaded
        const char* notInMessage;
    } cases[] = {
        {"/moved", payload.size(), "", ""},
        {"/files/%20.bashrc", payload.size(), "", ""}, // a name that would hide the file
        // No length announced: cut at the maximum, and the feed is not blamed for a length it never gave.
        {"/endless", -1, "stopped at 1 MB", "feed"},
        {"/endless", 2 * 1024 * 1024, "larger than the update feed says", ""},
        {"/trickle", payload.size(), "too slowly", ""},
    };
    int version = 0;
    for (const auto& c : cases) {
        const qint64 sentBefore = server->bytesSent();
        AppcastItem what = downloadItem(QLatin1String(c.path), c.length);
        what.version = QString::number(++version); // nothing counts as downloaded before
        const DownloadResult result = runDownload(what);
        if (*c.needle == 0) {
            EXPECT_EQ(result.status, DownloadStatus::Downloaded)
                << c.path << ": " << result.message.toStdString();
        } else {
            EXPECT_EQ(result.status, DownloadStatus::Error) << c.path;
            EXPECT_TRUE(result.message.contains(QLatin1String(c.needle)))
                << c.path << ": " << result.message.toStdString();
            if (*c.notInMessage) {
                EXPECT_FALSE(result.message.contains(QLatin1String(c.notInMessage)))
                    << result.message.toStdString();
            }
        }
        // What the client took is bounded by the limit and socket buffers, not by what the server offers.
        EXPECT_LT(server->bytesSent() - sentBefore, 32 * 1024 * 1024) << c.path;
        for (const QString& name : downloadedFiles())
            EXPECT_FALSE(name.endsWith(".part")) << c.path;
    }
    // Named after the feed's address, not the redirect's target.
    EXPECT_EQ(downloadedFiles(), (QStringList{"bashrc", "moved"}));
}

TEST_F(UpdateDownloadTest, ACancelledDownloadLeavesNothingBehind)
{
    LocalHttpServer::Response trickle;
    trickle.body = payload;
    trickle.trickleMs = 5;
    server->route(filePath, trickle);
    QSignalSpy finished(updater.get(), &Updater::downloadFinished);
    QSignalSpy progress(updater.get(), &Updater::downloadProgress);
    updater->downloadUpdate(item(payload.size()));
    ASSERT_TRUE(progress.wait(5000));
    EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage.part"}); // in plain sight
    updater->cancelDownload();
    ASSERT_TRUE(finished.count() == 1 || finished.wait(5000));
    EXPECT_EQ(finished.first().first().value<DownloadResult>().status, DownloadStatus::Cancelled);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(downloadedFiles().isEmpty());
    EXPECT_FALSE(updater->isDownloading());
}

class AutomaticDownloadTest : public UpdateDownloadTest {
protected:
    void SetUp() override
    {
        UpdateDownloadTest::SetUp();
        server->routeBody(filePath, payload);
        updater->setAutomaticallyDownloadsUpdates(true);
    }

    void serveFeed(const QByteArray& signature)
    {
        server->routeBody(
            releasesPath(),
            appcast(appcastItem("1.1", QStringLiteral("url=\"/files/Sheetwright-1.1.AppImage\" "
                                                      "length=\"%1\" sparkle:edSignature=\"%2\"")
                                           .arg(payload.size())
                                           .arg(QString::fromLatin1(signature)))));
    }

    int fileRequests() const
    {
        return int(std::count_if(server->requests().begin(), server->requests().end(),
                                 [](const auto& request) { return request.path.startsWith("/files/"); }));
    }

    // A background check, and the silent download it may start.
    void backgroundCheck()
    {
        QSignalSpy downloaded(updater.get(), &Updater::downloadFinished);
        runCheck(Updater::CheckMode::Background);
        if (updater->isDownloading()) {
            EXPECT_TRUE(downloaded.wait(5000));
        }
    }
};

TEST_F(AutomaticDownloadTest, AVerifiedUpdateIsDownloadedOnceAndAnnouncedOnce)
{
    const SigningKey key;
    updater->setPublicEd25519Key(key.publicKeyBase64());
    serveFeed(key.signBase64(payload));
    for (int check = 0; check < 3; ++check)
        backgroundCheck();
    EXPECT_EQ(fileRequests(), 1);
    EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage"});
    EXPECT_EQ(recorder->events, QStringList{"downloadFinished"});

    // Asked for by hand, the same version is not fetched again either; the user is told where it is.
    const DownloadResult again = runDownload(item(payload.size(), key.signBase64(payload)));
    EXPECT_EQ(again.status, DownloadStatus::Downloaded);
    EXPECT_TRUE(again.signatureVerified);
    EXPECT_EQ(again.filePath, QDir(downloadsFolder()).filePath("Sheetwright-1.1.AppImage"));
    EXPECT_EQ(fileRequests(), 1);

    // Once the file is gone (or changed), it is fetched again.
    QFile(again.filePath).remove();
    backgroundCheck();
    EXPECT_EQ(fileRequests(), 2);
    EXPECT_EQ(downloadedFiles(), QStringList{"Sheetwright-1.1.AppImage"});
}

TEST_F(AutomaticDownloadTest, WithoutAKeyNothingIsFetchedUnaskedAndAManualDownloadIsUnverified)
{
    serveFeed({});
    backgroundCheck();
    EXPECT_EQ(fileRequests(), 0);
    EXPECT_EQ(recorder->events, QStringList{"updateFound"});

    const DownloadResult result = runDownload(item(payload.size()));
    EXPECT_EQ(result.status, DownloadStatus::Downloaded);
    EXPECT_FALSE(result.signatureVerified);
}

} // namespace
