#pragma once

#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelUpdater/Interface/UserDriver.h"
#include "KestrelUpdater/Updater.h"
#include "LocalHttpServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <zlib.h>

namespace TestSupport {

using namespace KestrelUpdater;

// The tests' side of KestrelUpdater::loopbackHttpAllowed(): on, so the local server can serve feeds.
extern bool loopbackHttpOn;

inline const QString testApplicationId = QStringLiteral("com.ardentmoss.Sheetwright");

inline QByteArray appcastItem(const QString& version,
                              const QString& enclosure = "url=\"/files/Sheetwright.AppImage\" length=\"4\"")
{
    return QStringLiteral("<item><title>Version %1</title><sparkle:version>%1</sparkle:version><enclosure %2 "
                          "type=\"application/octet-stream\"/></item>")
        .arg(version, enclosure)
        .toUtf8();
}
inline QByteArray appcast(const QByteArray& items)
{
    return "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>" +
           items + "</channel></rss>";
}
template <typename... Versions> QByteArray feedOf(const Versions&... versions)
{
    return appcast((appcastItem(versions) + ...));
}

// `megabytes` of zeros in gzip form: a few kilobytes that a client decoding them would blow up.
inline QByteArray gzipBomb(int megabytes)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    QByteArray zeros(1024 * 1024, '\0'), out;
    char buffer[64 * 1024];
    for (int block = 0; block <= megabytes; ++block) {
        stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
        stream.avail_in = block < megabytes ? uInt(zeros.size()) : 0;
        const int flush = block < megabytes ? Z_NO_FLUSH : Z_FINISH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

class RecordingUserDriver : public KestrelUpdater::UserDriver {
public:
    QStringList events;

    void showCheckStarted(Updater&) override { events << "checkStarted"; }
    void bringCheckToFront() override { events << "bringToFront"; }
    void dismissCheck() override { events << "dismissCheck"; }
    void showUpToDate(Updater&, const CheckResult&) override { events << "upToDate"; }
    void showUpdateFound(Updater&, const CheckResult&) override { events << "updateFound"; }
    void showCheckError(Updater&, const CheckResult&) override { events << "error"; }
    void showDownloadStarted(Updater&, const AppcastItem&) override { events << "downloadStarted"; }
    void showDownloadProgress(qint64, qint64) override {}
    void showDownloadFinished(Updater&, const DownloadResult&) override { events << "downloadFinished"; }
};

// An updater on a fresh settings file whose feeds live on a local server, reporting to a recorder.
class UpdaterFixture : public ::testing::Test {
protected:
    using Mode = Updater::CheckMode;

    std::unique_ptr<Updater> makeUpdater(const QString& applicationId)
    {
        auto made = std::make_unique<Updater>(*defaults, server->url("/applications/"), applicationId);
        made->setCurrentVersion(QStringLiteral("1.0"));
        made->setTransferTimeoutMs(4000);
        made->setDownloadDirectory(downloadsFolder());
        made->setUserDriver(std::make_unique<RecordingUserDriver>());
        recorder = static_cast<RecordingUserDriver*>(&made->userDriver());
        return made;
    }

    QString feedPath(const char* channel) const
    {
        return "/applications/" + testApplicationId + "/" + channel + "/appcast.xml";
    }
    QString releasesPath() const { return feedPath("releases"); }
    QString betasPath() const { return feedPath("betas"); }
    QString downloadsFolder() const { return m_folder.filePath("Downloads"); }

    // Starts something and answers the result of the updater's signal that it ended.
    template <typename Result, typename Signal>
    Result await(Signal signal, const std::function<void()>& start)
    {
        QSignalSpy finished(updater.get(), signal);
        start();
        EXPECT_TRUE(!finished.isEmpty() || finished.wait(5000));
        return finished.isEmpty() ? Result{} : finished.first().first().template value<Result>();
    }
    CheckResult runCheck(Mode mode)
    {
        return await<CheckResult>(&Updater::checkFinished, [&] { updater->check(mode); });
    }
    DownloadResult runDownload(const AppcastItem& item)
    {
        return await<DownloadResult>(&Updater::downloadFinished, [&] { updater->downloadUpdate(item); });
    }

    // A release 1.1 whose file is at `path` on the local server.
    AppcastItem downloadItem(const QString& path, qint64 length, const QByteArray& signature = {})
    {
        const AppcastEnclosure file{server->url(path), length, {}, {}, QString::fromLatin1(signature)};
        return {{}, {}, {}, {}, {}, "1.1", {}, false, true, file};
    }

    // In this order: the updater is made from the ones above it and goes before them.
    QTemporaryDir m_folder;
    std::unique_ptr<KestrelExtensions::UserDefaults> defaults =
        std::make_unique<KestrelExtensions::UserDefaults>(m_folder.filePath("settings.ini"));
    std::unique_ptr<LocalHttpServer> server = std::make_unique<LocalHttpServer>();
    RecordingUserDriver* recorder = nullptr;
    std::unique_ptr<Updater> updater = makeUpdater(testApplicationId);
};

} // namespace TestSupport
