#include "Updater.h"

#include "Channel/FeedChannel.h"
#include "Check/SystemProfile.h"
#include "Check/UpdateCheck.h"
#include "Download/UpdateDownload.h"
#include "Interface/DialogUserDriver.h"
#include "Interface/UserDriver.h"
#include "KestrelExtensions/Defaults/UserDefaults.h"
#include "KestrelExtensions/Logging/Log.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QUrlQuery>
#include <cmath>

#ifndef KESTREL_UPDATER_FEED_BASE
#define KESTREL_UPDATER_FEED_BASE ""
#endif
#ifndef KESTREL_UPDATER_ED25519_PUBLIC_KEY
#define KESTREL_UPDATER_ED25519_PUBLIC_KEY ""
#endif
#ifndef KESTREL_UPDATER_FALLBACK_VERSION
#define KESTREL_UPDATER_FALLBACK_VERSION "0"
#endif

namespace KestrelUpdater {
namespace {

Updater* sharedUpdater = nullptr;

const auto automaticallyChecksKey = "KestrelUpdater/AutomaticallyChecksForUpdates";
const auto intervalKey = "KestrelUpdater/UpdateCheckInterval";
const auto sendsProfileKey = "KestrelUpdater/SendsSystemProfile";
const auto automaticallyDownloadsKey = "KestrelUpdater/AutomaticallyDownloadsUpdates";
const auto lastCheckKey = "KestrelUpdater/LastUpdateCheckDate";
const auto feedKey = "KestrelUpdater/FeedURL";
const auto skippedVersionKey = "KestrelUpdater/SkippedVersion";
const auto lastProfileKey = "KestrelUpdater/LastProfileSubmissionDate";
// The last update downloaded: its version, file, size, signature and whether it was verified.
const auto downloadedVersionKey = "KestrelUpdater/DownloadedVersion";
const auto downloadedPathKey = "KestrelUpdater/DownloadedPath";
const auto downloadedSizeKey = "KestrelUpdater/DownloadedSize";
const auto downloadedSignatureKey = "KestrelUpdater/DownloadedSignature";
const auto downloadedVerifiedKey = "KestrelUpdater/DownloadedVerified";

constexpr qint64 profileSpacingSeconds = 7 * 24 * 3600;
constexpr qint64 longestTimerMs = 24 * 3600 * 1000;

QDateTime readDate(const KestrelExtensions::UserDefaults& defaults, const char* key)
{
    const auto text = defaults.string(QLatin1String(key));
    if (!text)
        return {};
    QDateTime date = QDateTime::fromString(*text, Qt::ISODateWithMs);
    return date.isValid() ? date.toUTC() : QDateTime();
}

QString dateText(const QDateTime& date)
{
    return date.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

Updater::Updater(KestrelExtensions::UserDefaults& defaults, const QUrl& feedBase,
                 std::optional<QString> applicationId, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_feedBase(feedBase), m_publicKey(defaultPublicEd25519Key())
{
    qRegisterMetaType<KestrelUpdater::CheckResult>();
    qRegisterMetaType<KestrelUpdater::DownloadResult>();
    if (applicationId)
        m_applicationId = validApplicationId(*applicationId).value_or(QString());
    else
        m_applicationId = bundleIdentifier().value_or(QString());
    m_currentVersion = QCoreApplication::applicationVersion().isEmpty()
                           ? QStringLiteral(KESTREL_UPDATER_FALLBACK_VERSION)
                           : QCoreApplication::applicationVersion();
    m_schedule = new QTimer(this);
    m_schedule->setSingleShot(true);
    connect(m_schedule, &QTimer::timeout, this, &Updater::scheduledCheckDue);
    m_scheduleStart = QDateTime::currentDateTimeUtc();
    if (!sharedUpdater)
        sharedUpdater = this;
    reschedule();
}

Updater::~Updater()
{
    if (sharedUpdater == this)
        sharedUpdater = nullptr;
    // The running check and download end with their objects; nothing is announced any more.
    m_check.reset();
    m_download.reset();
}

Updater* Updater::shared()
{
    if (!sharedUpdater)
        new Updater(KestrelExtensions::UserDefaults::standard(), defaultFeedBase(), std::nullopt,
                    QCoreApplication::instance());
    return sharedUpdater;
}

void Updater::setShared(Updater* updater)
{
    sharedUpdater = updater;
}

QUrl Updater::defaultFeedBase()
{
    // A build made without a feed has none: it says so when asked to check, instead of asking a host
    // that does not exist.
    return QUrl(QStringLiteral(KESTREL_UPDATER_FEED_BASE));
}

QByteArray Updater::defaultPublicEd25519Key()
{
    return QByteArrayLiteral(KESTREL_UPDATER_ED25519_PUBLIC_KEY);
}

// Settings

void Updater::setBool(const char* key, bool value, void (Updater::*notify)())
{
    const QString name = QLatin1String(key);
    const bool old = m_defaults.boolean(name).value_or(false);
    m_defaults.setBool(name, value);
    if (old != value)
        emit(this->*notify)();
}

bool Updater::automaticallyChecksForUpdates() const
{
    // Off until the user turns it on: no traffic the user did not ask for.
    return m_defaults.boolean(QLatin1String(automaticallyChecksKey)).value_or(false);
}

void Updater::setAutomaticallyChecksForUpdates(bool on)
{
    setBool(automaticallyChecksKey, on, &Updater::automaticallyChecksForUpdatesChanged);
    reschedule();
}

double Updater::updateCheckInterval() const
{
    const auto stored = m_defaults.number(QLatin1String(intervalKey));
    if (!stored || !std::isfinite(*stored))
        return defaultUpdateCheckInterval;
    return std::clamp(*stored, minimumUpdateCheckInterval, maximumUpdateCheckInterval);
}

void Updater::setUpdateCheckInterval(double seconds)
{
    if (!std::isfinite(seconds)) {
        KestrelExtensions::Log::system(
            QStringLiteral("Ignoring an update check interval that is not a number"));
        return;
    }
    seconds = std::clamp(seconds, minimumUpdateCheckInterval, maximumUpdateCheckInterval);
    const double old = updateCheckInterval();
    m_defaults.setValue(QLatin1String(intervalKey), seconds);
    if (old != seconds)
        emit updateCheckIntervalChanged();
    reschedule();
}

bool Updater::sendsSystemProfile() const
{
    return m_defaults.boolean(QLatin1String(sendsProfileKey)).value_or(false);
}

void Updater::setSendsSystemProfile(bool on)
{
    setBool(sendsProfileKey, on, &Updater::sendsSystemProfileChanged);
}

bool Updater::automaticallyDownloadsUpdates() const
{
    return m_defaults.boolean(QLatin1String(automaticallyDownloadsKey)).value_or(false);
}

void Updater::setAutomaticallyDownloadsUpdates(bool on)
{
    setBool(automaticallyDownloadsKey, on, &Updater::automaticallyDownloadsUpdatesChanged);
}

QDateTime Updater::lastUpdateCheckDate() const
{
    return readDate(m_defaults, lastCheckKey);
}

QUrl Updater::feedURL() const
{
    if (const auto stored = m_defaults.string(QLatin1String(feedKey))) {
        const QUrl url(*stored);
        if (url.isValid() && !url.isEmpty())
            return url;
    }
    return QUrl(feedStringFor(false, m_feedBase, m_applicationId));
}

void Updater::setFeedURL(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty() || url.isRelative()) {
        KestrelExtensions::Log::system(QStringLiteral("Ignoring invalid update feed %1").arg(url.toString()));
        return;
    }
    const QUrl old = feedURL();
    m_defaults.setString(QLatin1String(feedKey), url.toString());
    if (old != url)
        emit feedURLChanged();
}

QString Updater::skippedVersion() const
{
    return m_defaults.string(QLatin1String(skippedVersionKey)).value_or(QString());
}

void Updater::setSkippedVersion(const QString& version)
{
    if (version.isEmpty())
        m_defaults.remove(QLatin1String(skippedVersionKey));
    else
        m_defaults.setString(QLatin1String(skippedVersionKey), version);
}

QDateTime Updater::lastProfileSubmissionDate() const
{
    return readDate(m_defaults, lastProfileKey);
}

void Updater::setInitialCheckDelayMs(int ms)
{
    m_initialCheckDelayMs = std::max(0, ms);
    reschedule();
}

QString Updater::downloadDirectory() const
{
    if (!m_downloadDirectory.isEmpty())
        return m_downloadDirectory;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return downloads.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::HomeLocation) : downloads;
}

UserDriver& Updater::userDriver()
{
    if (!m_userDriver)
        m_userDriver = std::make_unique<DialogUserDriver>();
    return *m_userDriver;
}

void Updater::setUserDriver(std::unique_ptr<UserDriver> driver)
{
    m_userDriver = std::move(driver);
}

// Checking

bool Updater::isChecking() const
{
    return m_check != nullptr;
}

bool Updater::isScheduled() const
{
    return m_schedule->isActive();
}

void Updater::checkForUpdates()
{
    check(CheckMode::UserInitiated);
}

QUrl Updater::requestUrlFor(const QUrl& feed) const
{
    if (!sendsSystemProfile())
        return feed;
    const QDateTime last = lastProfileSubmissionDate();
    if (last.isValid() && last.secsTo(QDateTime::currentDateTimeUtc()) < profileSpacingSeconds)
        return feed;
    QUrl url = feed;
    QUrlQuery query(url);
    const QUrlQuery profile = systemProfile(m_currentVersion);
    for (const auto& [name, value] : profile.queryItems(QUrl::FullyDecoded))
        query.addQueryItem(name, value);
    url.setQuery(query);
    return url;
}

void Updater::check(CheckMode mode)
{
    if (m_check) {
        if (mode != CheckMode::UserInitiated)
            return;
        if (m_checkMode == CheckMode::UserInitiated) {
            userDriver().bringCheckToFront();
            return;
        }
        // The user asks while a quiet check runs: it becomes the user's, shown and answered as such.
        m_checkMode = CheckMode::UserInitiated;
        userDriver().showCheckStarted(*this);
        return;
    }
    UpdateCheck::Request request;
    request.url = requestUrlFor(feedURL());
    request.currentVersion = m_currentVersion;
    // Only a check the user did not ask for keeps quiet about a version the user chose to skip.
    if (mode == CheckMode::Background)
        request.skippedVersion = skippedVersion();
    request.transferTimeoutMs = m_transferTimeoutMs;
    request.deadlineMs = m_checkDeadlineMs;
    request.maximumSize = maximumFeedSize;
    const bool sendsProfile = request.url != feedURL();

    m_checkMode = mode;
    m_check = std::make_unique<UpdateCheck>(request);
    connect(m_check.get(), &UpdateCheck::finished, this, [this, sendsProfile](const CheckResult& result) {
        if (sendsProfile && result.status != CheckResult::Status::Error &&
            result.status != CheckResult::Status::Cancelled)
            m_defaults.setString(QLatin1String(lastProfileKey), dateText(QDateTime::currentDateTimeUtc()));
        finishCheck(m_checkMode, result);
    });
    emit isCheckingChanged();
    if (mode == CheckMode::UserInitiated)
        userDriver().showCheckStarted(*this);
    if (m_check)
        m_check->start();
}

void Updater::cancel()
{
    cancelCheck();
    cancelDownload();
}

void Updater::cancelCheck()
{
    if (m_check)
        m_check->cancel();
}

void Updater::cancelDownload()
{
    if (m_download)
        m_download->cancel();
}

void Updater::finishCheck(CheckMode mode, CheckResult result)
{
    // The check object is still on the stack of its own signal: let it go later.
    if (m_check)
        m_check.release()->deleteLater();

    const bool answered = result.status == CheckResult::Status::UpToDate ||
                          result.status == CheckResult::Status::UpdateAvailable;
    // Only an answered check moves the date, so the pane never claims a check that did not happen.
    if (answered) {
        m_defaults.setString(QLatin1String(lastCheckKey), dateText(QDateTime::currentDateTimeUtc()));
        emit lastUpdateCheckDateChanged();
    }
    if (result.status == CheckResult::Status::Error || result.status == CheckResult::Status::NoFeed) {
        KestrelExtensions::Log::system(QStringLiteral("Update check failed: %1").arg(result.message));
        m_retryAfter = QDateTime::currentDateTimeUtc().addSecs(
            qint64(std::min(updateCheckInterval(), minimumUpdateCheckInterval)));
    } else if (answered) {
        m_retryAfter = {};
    }
    emit isCheckingChanged();
    emit checkFinished(result);

    switch (mode) {
    case CheckMode::UserInitiated:
        userDriver().dismissCheck();
        if (result.status == CheckResult::Status::UpToDate)
            userDriver().showUpToDate(*this, result);
        else if (result.status == CheckResult::Status::UpdateAvailable)
            userDriver().showUpdateFound(*this, result);
        else if (result.status == CheckResult::Status::Error || result.status == CheckResult::Status::NoFeed)
            userDriver().showCheckError(*this, result);
        break;
    case CheckMode::Background:
        // The update being downloaded was announced when its download began: a quiet check while it
        // runs adds no dialog (checks every hour would otherwise pile them up).
        if (result.status == CheckResult::Status::UpdateAvailable && result.item && m_download &&
            m_download->item().version == result.item->version)
            break;
        if (result.status == CheckResult::Status::UpdateAvailable) {
            // Nothing is fetched unasked unless it can be verified: without a key, the user decides.
            const bool verifiable = !m_publicKey.isEmpty();
            if (automaticallyDownloadsUpdates() && !verifiable)
                KestrelExtensions::Log::system(
                    QStringLiteral("Not downloading the update automatically: there is no key to verify it"));
            if (automaticallyDownloadsUpdates() && verifiable && result.item && result.item->hasEnclosure &&
                !m_download)
                startDownload(*result.item, true);
            else
                userDriver().showUpdateFound(*this, result);
        }
        break;
    case CheckMode::Probe:
        break;
    }
    reschedule();
}

// Downloading

bool Updater::isDownloading() const
{
    return m_download != nullptr;
}

void Updater::downloadUpdate(const AppcastItem& item)
{
    startDownload(item, false);
}

void Updater::setMinimumDownloadRate(qint64 bytesPerSecond, int windowMs)
{
    m_minimumDownloadRate = bytesPerSecond;
    m_rateWindowMs = windowMs;
}

std::optional<DownloadResult> Updater::earlierDownload(const AppcastItem& item) const
{
    const auto version = m_defaults.string(QLatin1String(downloadedVersionKey));
    const auto path = m_defaults.string(QLatin1String(downloadedPathKey));
    const auto size = m_defaults.number(QLatin1String(downloadedSizeKey));
    const auto signature = m_defaults.string(QLatin1String(downloadedSignatureKey));
    if (!version || !path || !size || *version != item.version ||
        signature.value_or(QString()) != item.enclosure.edSignature)
        return std::nullopt;
    const QFileInfo file(*path);
    if (!file.isFile() || double(file.size()) != *size ||
        (item.enclosure.length >= 0 && file.size() != item.enclosure.length))
        return std::nullopt;
    // Verified then, but only counted as verified now if this build still has a key to trust.
    const bool verified = m_defaults.boolean(QLatin1String(downloadedVerifiedKey)).value_or(false);
    if (!verified && !m_publicKey.isEmpty())
        return std::nullopt;
    DownloadResult result;
    result.status = DownloadResult::Status::Downloaded;
    result.item = item;
    result.filePath = file.absoluteFilePath();
    result.signatureVerified = verified;
    return result;
}

void Updater::rememberDownload(const DownloadResult& result)
{
    m_defaults.setString(QLatin1String(downloadedVersionKey), result.item.version);
    m_defaults.setString(QLatin1String(downloadedPathKey), result.filePath);
    m_defaults.setValue(QLatin1String(downloadedSizeKey), double(QFileInfo(result.filePath).size()));
    m_defaults.setString(QLatin1String(downloadedSignatureKey), result.item.enclosure.edSignature);
    m_defaults.setBool(QLatin1String(downloadedVerifiedKey), result.signatureVerified);
}

void Updater::startDownload(const AppcastItem& item, bool silent)
{
    if (m_download)
        return;
    if (const auto earlier = earlierDownload(item)) {
        KestrelExtensions::Log::system(
            QStringLiteral("Update %1 was downloaded before, to %2").arg(item.version, earlier->filePath));
        emit downloadFinished(*earlier);
        // A quiet check told the user when it arrived; only someone asking now hears of it again.
        if (!silent)
            userDriver().showDownloadFinished(*this, *earlier);
        return;
    }
    UpdateDownload::Request request;
    request.item = item;
    request.directory = downloadDirectory();
    request.publicKeyBase64 = m_publicKey;
    request.currentVersion = m_currentVersion;
    request.transferTimeoutMs = m_transferTimeoutMs;
    request.maximumSize = m_maximumDownloadSize;
    request.minimumRate = m_minimumDownloadRate;
    request.rateWindowMs = m_rateWindowMs;
    request.deadlineMs = m_downloadDeadlineMs;
    m_download = std::make_unique<UpdateDownload>(request, this);
    connect(m_download.get(), &UpdateDownload::progress, this, [this, silent](qint64 received, qint64 total) {
        emit downloadProgress(received, total);
        if (!silent)
            userDriver().showDownloadProgress(received, total);
    });
    connect(m_download.get(), &UpdateDownload::finished, this,
            [this, silent](const DownloadResult& result) { finishDownload(result, silent); });
    if (!silent)
        userDriver().showDownloadStarted(*this, item);
    if (m_download)
        m_download->start();
}

void Updater::finishDownload(DownloadResult result, bool silent)
{
    if (m_download)
        m_download.release()->deleteLater();
    if (result.status == DownloadResult::Status::Downloaded) {
        KestrelExtensions::Log::system(QStringLiteral("Update downloaded to %1").arg(result.filePath));
        rememberDownload(result);
    } else if (result.status == DownloadResult::Status::Error)
        KestrelExtensions::Log::system(QStringLiteral("Update download failed: %1").arg(result.message));
    emit downloadFinished(result);
    // A silent download speaks only when the update is ready; its failures stay in the log.
    if (!silent || result.status == DownloadResult::Status::Downloaded)
        userDriver().showDownloadFinished(*this, result);
}

// Scheduling

QDateTime Updater::nextCheckDue() const
{
    const qint64 interval = qint64(updateCheckInterval()); // within its range: no overflow below
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // A last check "in the future" (a clock set back, a damaged file) counts as one made now.
    QDateTime last = lastUpdateCheckDate();
    if (last.isValid() && last > now)
        last = now;
    // Never during start-up: the first check waits for the initial delay even when one is overdue.
    const QDateTime earliest = m_scheduleStart.addMSecs(m_initialCheckDelayMs);
    const QDateTime due =
        (last.isValid() && last.addSecs(interval) > earliest) ? last.addSecs(interval) : earliest;
    // After a failure the old date would make the check due at once, again and again: wait a little.
    return (m_retryAfter.isValid() && m_retryAfter > due) ? m_retryAfter : due;
}

void Updater::reschedule()
{
    if (!automaticallyChecksForUpdates()) {
        m_schedule->stop();
        return;
    }
    const qint64 wait =
        std::clamp<qint64>(QDateTime::currentDateTimeUtc().msecsTo(nextCheckDue()), 0, longestTimerMs);
    m_schedule->start(int(wait));
}

void Updater::scheduledCheckDue()
{
    // The timer is capped at a day and does not run during suspend: ask the clock whether it is time.
    if (nextCheckDue() > QDateTime::currentDateTimeUtc().addMSecs(500)) {
        reschedule();
        return;
    }
    check(CheckMode::Background);
}

} // namespace KestrelUpdater
