#pragma once

#include "KestrelUpdater/Appcast/AppcastItem.h"
#include "KestrelUpdater/Check/CheckResult.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

class QTimer;

namespace KestrelExtensions {
class UserDefaults;
}

namespace KestrelUpdater {

class UpdateCheck;
class UpdateDownload;
class UserDriver;

// The application's software updater: one per process, created at start-up and held by the application.
// Its settings live in the user-defaults store under the group "KestrelUpdater/" and each announces its
// change through a notify signal whose property name equals the setting's key, so observers can follow a
// setting by name. A setter takes effect at once; the next getter answers the new value.
//
// What it does on Linux: fetches the appcast of its feed over HTTPS, picks the newest item made for Linux,
// tells the user (through a replaceable UserDriver) and, when asked, downloads the update into the
// Downloads folder and verifies its length and Ed25519 signature. It never replaces the installed
// application: installing the downloaded file is left to the user and the system's package tools.
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
    Q_PROPERTY(double updateCheckInterval READ updateCheckInterval WRITE setUpdateCheckInterval NOTIFY
                   updateCheckIntervalChanged)
    Q_PROPERTY(bool sendsSystemProfile READ sendsSystemProfile WRITE setSendsSystemProfile NOTIFY
                   sendsSystemProfileChanged)
    Q_PROPERTY(bool automaticallyDownloadsUpdates READ automaticallyDownloadsUpdates WRITE
                   setAutomaticallyDownloadsUpdates NOTIFY automaticallyDownloadsUpdatesChanged)
    Q_PROPERTY(QDateTime lastUpdateCheckDate READ lastUpdateCheckDate NOTIFY lastUpdateCheckDateChanged)
    Q_PROPERTY(QUrl feedURL READ feedURL WRITE setFeedURL NOTIFY feedURLChanged)
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)

public:
    enum class CheckMode {
        UserInitiated, // the user asked: every outcome is shown
        Background,    // a scheduled check: only a found update is shown
        Probe,         // no user interface at all
    };
    Q_ENUM(CheckMode)

    static constexpr double defaultUpdateCheckInterval = 86400;
    // Stored intervals are held to this range before any use, so a damaged value cannot make checks run
    // back to back (or never).
    static constexpr double minimumUpdateCheckInterval = 3600;
    static constexpr double maximumUpdateCheckInterval = 365 * 86400;
    static constexpr qint64 maximumFeedSize = 4 * 1024 * 1024;
    static constexpr int maximumRedirects = 5;

    // The store holds the settings; the feed base is the folder that holds every application's feeds
    // (ending in "/applications/"); the application id stands in the feed path. An empty id means the
    // application has none, and then no feed can be made; so does an empty base (a build configured
    // without a feed). With no id given, the running application's id is taken, if it has one.
    explicit Updater(KestrelExtensions::UserDefaults& defaults, const QUrl& feedBase = defaultFeedBase(),
                     std::optional<QString> applicationId = std::nullopt, QObject* parent = nullptr);
    ~Updater() override;

    // The process's updater: the first one made registers itself. When none was made yet, one is made on
    // the standard store, owned by the application object. Main thread only.
    static Updater* shared();
    // Replaces the registered updater (tests); nullptr clears it.
    static void setShared(Updater* updater);

    // The build's configured feed base (empty when none is configured) and Ed25519 public key (base64,
    // empty when none is configured).
    static QUrl defaultFeedBase();
    static QByteArray defaultPublicEd25519Key();

    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    double updateCheckInterval() const;
    void setUpdateCheckInterval(double seconds);
    bool sendsSystemProfile() const;
    void setSendsSystemProfile(bool on);
    bool automaticallyDownloadsUpdates() const;
    void setAutomaticallyDownloadsUpdates(bool on);
    // Invalid while no check has found an answer.
    QDateTime lastUpdateCheckDate() const;
    // The stored feed, else the release feed of this application; empty when there is no application id.
    QUrl feedURL() const;
    // An empty or invalid URL is refused (logged) and changes nothing.
    void setFeedURL(const QUrl& url);

    // The version a user-initiated check skips no more; background checks stay quiet about it.
    QString skippedVersion() const;
    void setSkippedVersion(const QString& version);
    QDateTime lastProfileSubmissionDate() const;

    QUrl feedBase() const { return m_feedBase; }
    void setFeedBase(const QUrl& base) { m_feedBase = base; }
    QString applicationId() const { return m_applicationId; }
    QString currentVersion() const { return m_currentVersion; }
    void setCurrentVersion(const QString& version) { m_currentVersion = version; }
    int transferTimeoutMs() const { return m_transferTimeoutMs; }
    void setTransferTimeoutMs(int ms) { m_transferTimeoutMs = ms; }
    // However the server answers, a check ends within this time.
    int checkDeadlineMs() const { return m_checkDeadlineMs; }
    void setCheckDeadlineMs(int ms) { m_checkDeadlineMs = ms; }
    // A download ends when the server sends fewer bytes a second than this over a window of that
    // length, or more bytes than the feed announced (this maximum when it announced none).
    void setMinimumDownloadRate(qint64 bytesPerSecond, int windowMs);
    // No update is larger: a larger one is refused before any byte of it is written, whatever the feed
    // or the server announces.
    void setMaximumDownloadSize(qint64 bytes) { m_maximumDownloadSize = bytes; }
    // However fast the server keeps sending, a download ends within this time.
    void setDownloadDeadlineMs(int ms) { m_downloadDeadlineMs = ms; }
    int initialCheckDelayMs() const { return m_initialCheckDelayMs; }
    void setInitialCheckDelayMs(int ms);
    QByteArray publicEd25519Key() const { return m_publicKey; }
    void setPublicEd25519Key(const QByteArray& base64) { m_publicKey = base64; }
    // Where downloads land; the user's Downloads folder unless set.
    QString downloadDirectory() const;
    void setDownloadDirectory(const QString& path) { m_downloadDirectory = path; }

    // The driver shows checks and their outcome; the updater owns it. A dialog driver until replaced.
    UserDriver& userDriver();
    void setUserDriver(std::unique_ptr<UserDriver> driver);

    bool isChecking() const;
    // True while the next scheduled check is armed (automatic checks on).
    bool isScheduled() const;
    // When the next automatic check is due (whether or not automatic checks are on).
    QDateTime nextCheckDue() const;

    // Starts a check unless one runs: a second user-initiated request brings the running one forward.
    void check(CheckMode mode);
    // Stops a running check and download; each ends as Cancelled.
    void cancel();
    void cancelCheck();
    void cancelDownload();
    // Downloads the item's enclosure into the download directory and verifies it; ends with
    // downloadFinished. A file that fails a check is deleted. A version already downloaded (and still
    // there, unchanged) is not fetched again: the result names the file downloaded before.
    void downloadUpdate(const AppcastItem& item);
    bool isDownloading() const;

public slots:
    // The user asked for a check ("Check for Updates…", "Check Now…").
    void checkForUpdates();

signals:
    void automaticallyChecksForUpdatesChanged();
    void updateCheckIntervalChanged();
    void sendsSystemProfileChanged();
    void automaticallyDownloadsUpdatesChanged();
    void lastUpdateCheckDateChanged();
    void feedURLChanged();
    void isCheckingChanged();
    void checkFinished(const KestrelUpdater::CheckResult& result);
    void downloadProgress(qint64 received, qint64 total);
    void downloadFinished(const KestrelUpdater::DownloadResult& result);

private:
    void finishCheck(CheckMode mode, CheckResult result);
    void finishDownload(DownloadResult result, bool silent);
    void startDownload(const AppcastItem& item, bool silent);
    std::optional<DownloadResult> earlierDownload(const AppcastItem& item) const;
    void rememberDownload(const DownloadResult& result);
    void reschedule();
    void scheduledCheckDue();
    void setBool(const char* key, bool value, void (Updater::*notify)());
    QUrl requestUrlFor(const QUrl& feed) const;

    KestrelExtensions::UserDefaults& m_defaults;
    QUrl m_feedBase;
    QString m_applicationId;
    QString m_currentVersion;
    int m_transferTimeoutMs = 30000;
    int m_checkDeadlineMs = 60000;
    qint64 m_minimumDownloadRate = 1024;
    int m_rateWindowMs = 30000;
    qint64 m_maximumDownloadSize = qint64(1) * 1024 * 1024 * 1024;
    int m_downloadDeadlineMs = 3600 * 1000;
    int m_initialCheckDelayMs = 60000;
    QByteArray m_publicKey;
    QString m_downloadDirectory;
    QTimer* m_schedule = nullptr;
    QDateTime m_scheduleStart;
    QDateTime m_retryAfter; // set after a failed check
    std::unique_ptr<UserDriver> m_userDriver;
    std::unique_ptr<UpdateCheck> m_check;
    CheckMode m_checkMode = CheckMode::Probe; // of the running check
    std::unique_ptr<UpdateDownload> m_download;
};

} // namespace KestrelUpdater
