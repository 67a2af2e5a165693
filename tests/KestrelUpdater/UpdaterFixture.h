#pragma once

#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelUpdater/Updater.h"
#include "LocalHttpServer.h"
#include "RecordingUserDriver.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace TestSupport {

inline const QString testApplicationId = QStringLiteral("com.ardentmoss.Sheetwright");

// One appcast item's XML; `extra` goes inside <item>.
inline QByteArray appcastItem(
    const QString& version,
    const QString& enclosureAttributes = QStringLiteral("url=\"/files/Sheetwright.AppImage\" length=\"4\""),
    const QString& extra = {})
{
    return QStringLiteral("<item><title>Version %1</title><sparkle:version>%1</sparkle:version>"
                          "<enclosure %2 type=\"application/octet-stream\"/>%3</item>")
        .arg(version, enclosureAttributes, extra)
        .toUtf8();
}

inline QByteArray appcast(const QByteArray& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
           "<channel><title>Sheetwright</title>\n" +
           items + "\n</channel></rss>\n";
}

// An updater on a fresh settings file whose feeds live on a local server, reporting to a recorder.
class UpdaterFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        defaults = std::make_unique<KestrelExtensions::UserDefaults>(m_folder.filePath("settings.ini"));
        server = std::make_unique<LocalHttpServer>();
        updater = makeUpdater(testApplicationId);
    }
    void TearDown() override
    {
        updater.reset();
        KestrelUpdater::Updater::setShared(nullptr);
    }

    std::unique_ptr<KestrelUpdater::Updater> makeUpdater(const QString& applicationId)
    {
        auto made = std::make_unique<KestrelUpdater::Updater>(*defaults, server->url("/applications/"),
                                                              applicationId);
        made->setCurrentVersion(QStringLiteral("1.0"));
        made->setTransferTimeoutMs(4000);
        made->setDownloadDirectory(m_folder.filePath("Downloads"));
        auto driver = std::make_unique<RecordingUserDriver>();
        recorder = driver.get();
        made->setUserDriver(std::move(driver));
        return made;
    }

    QString releasesPath() const { return "/applications/" + testApplicationId + "/releases/appcast.xml"; }
    QString betasPath() const { return "/applications/" + testApplicationId + "/betas/appcast.xml"; }
    QString downloadsFolder() const { return m_folder.filePath("Downloads"); }

    // Runs one check and waits for its result.
    KestrelUpdater::CheckResult runCheck(KestrelUpdater::Updater::CheckMode mode)
    {
        QSignalSpy finished(updater.get(), &KestrelUpdater::Updater::checkFinished);
        updater->check(mode);
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(5000));
        }
        if (finished.isEmpty())
            return {};
        return finished.first().first().value<KestrelUpdater::CheckResult>();
    }

    // A release 1.1 whose file is at `path` on the local server.
    KestrelUpdater::AppcastItem downloadItem(const QString& path, qint64 length,
                                             const QByteArray& signature = {})
    {
        KestrelUpdater::AppcastItem made;
        made.version = QStringLiteral("1.1");
        made.hasEnclosure = true;
        made.enclosure.url = server->url(path);
        made.enclosure.length = length;
        made.enclosure.edSignature = QString::fromLatin1(signature);
        return made;
    }

    // Downloads one item and waits for the result.
    KestrelUpdater::DownloadResult runDownload(const KestrelUpdater::AppcastItem& item)
    {
        QSignalSpy finished(updater.get(), &KestrelUpdater::Updater::downloadFinished);
        updater->downloadUpdate(item);
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(5000));
        }
        return finished.isEmpty() ? KestrelUpdater::DownloadResult{}
                                  : finished.first().first().value<KestrelUpdater::DownloadResult>();
    }

    QTemporaryDir m_folder;
    std::unique_ptr<KestrelExtensions::UserDefaults> defaults;
    std::unique_ptr<LocalHttpServer> server;
    std::unique_ptr<KestrelUpdater::Updater> updater;
    RecordingUserDriver* recorder = nullptr;
};

} // namespace TestSupport
