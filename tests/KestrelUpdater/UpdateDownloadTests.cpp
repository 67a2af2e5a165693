#include "KestrelUpdater/Download/Ed25519Signature.h"
#include "KestrelUpdater/Download/UpdateDownload.h"
#include "UpdaterFixture.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <openssl/evp.h>

using namespace KestrelUpdater;
using TestSupport::appcast;
using TestSupport::appcastItem;
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
    // A long name is cut between characters and keeps its extension.
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

    AppcastItem item(qint64 length, const QByteArray& signature = {})
    {
        AppcastItem made;
        made.version = "1.1";
        made.hasEnclosure = true;
        made.enclosure.url = server->url("/files/Sheetwright-1.1.AppImage");
        made.enclosure.length = length;
        made.enclosure.edSignature = QString::fromLatin1(signature);
        return made;
    }

    DownloadResult download(const AppcastItem& what)
    {
        QSignalSpy finished(updater.get(), &Updater::downloadFinished);
        updater->downloadUpdate(what);
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(5000));
        }
        return finished.isEmpty() ? DownloadResult{} : finished.first().first().value<DownloadResult>();
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
    server->routeBody("/files/Sheetwright-1.1.AppImage", payload);

    const DownloadResult result = download(item(payload.size(), key.signBase64(payload)));
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
    server->routeBody("/files/Sheetwright-1.1.AppImage", payload);
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
    };
    for (const auto& c : cases) {
        updater->setPublicEd25519Key(c.publicKey);
        const DownloadResult result = download(c.item);
        EXPECT_EQ(result.status, DownloadStatus::Error) << c.name;
        EXPECT_TRUE(result.message.contains(QLatin1String(c.needle)))
            << c.name << ": " << result.message.toStdString();
        EXPECT_TRUE(result.filePath.isEmpty());
        EXPECT_TRUE(downloadedFiles().isEmpty())
            << c.name << ": " << downloadedFiles().join(", ").toStdString();
    }
}

TEST_F(UpdateDownloadTest, AnUnreachableFileIsAnError)
{
    const DownloadResult result = download(item(10)); // nothing is served there
    EXPECT_EQ(result.status, DownloadStatus::Error);
    EXPECT_TRUE(result.message.contains("404"));
    EXPECT_TRUE(downloadedFiles().isEmpty());
}

TEST_F(UpdateDownloadTest, BackgroundCheckDownloadsSilentlyWhenAllowed)
{
    server->routeBody(
        releasesPath(),
        appcast(appcastItem(
            "1.1",
            QStringLiteral("url=\"/files/Sheetwright-1.1.AppImage\" length=\"%1\"").arg(payload.size()))));
    server->routeBody("/files/Sheetwright-1.1.AppImage", payload);
    updater->setAutomaticallyDownloadsUpdates(true);
    QSignalSpy downloaded(updater.get(), &Updater::downloadFinished);
    runCheck(Updater::CheckMode::Background);
    ASSERT_TRUE(downloaded.count() == 1 || downloaded.wait(5000));
    EXPECT_EQ(downloaded.first().first().value<DownloadResult>().status, DownloadStatus::Downloaded);
    // Nothing was asked of the user; only the ready update is announced.
    EXPECT_EQ(recorder->events, QStringList{"downloadFinished"});
}

} // namespace
