#pragma once

#include "KestrelUpdater/Check/CheckResult.h"
#include "KestrelUpdater/Transfer/WorkerThread.h"

#include <QFutureWatcher>
#include <QObject>
#include <memory>

namespace KestrelUpdater {

class TransferControl;
struct PartialFile;
struct TransferOutcome;

// Downloads an item's enclosure into a folder. The bytes go to a "<name>.part" file first; only a file
// whose length matches the feed and whose signature (when a key is configured and the item is signed)
// verifies is given its final name. Anything else is deleted, off the window's thread. The transfer
// runs on a worker thread, bounded in size (never more than maximumSize, whatever is announced), rate
// and overall time. Emits finished exactly once.
class UpdateDownload : public QObject {
    Q_OBJECT
public:
    struct Request {
        AppcastItem item;
        QString directory;
        QByteArray publicKeyBase64; // empty: no key configured
        QString currentVersion;
        int transferTimeoutMs = 30000;
        // No update is larger: a larger length, from the feed or the server, is refused before any byte
        // is written, and an unannounced file is cut here.
        qint64 maximumSize = defaultMaximumSize;
        // A server that sends less than this many bytes a second, averaged over the window, is given up.
        qint64 minimumRate = defaultMinimumRate;
        int rateWindowMs = 30000;
        // The whole download, however fast the server keeps sending.
        int deadlineMs = defaultDeadlineMs;
    };

    static constexpr qint64 defaultMaximumSize = qint64(1) * 1024 * 1024 * 1024;
    static constexpr qint64 defaultMinimumRate = 1024;
    static constexpr int defaultDeadlineMs = 3600 * 1000;
    static constexpr int maximumRedirects = 5;
    // Room under the system's 255-byte limit for " (n)" and ".part".
    static constexpr qsizetype maximumFileNameBytes = 200;

    explicit UpdateDownload(Request request, QObject* parent = nullptr);
    ~UpdateDownload() override;

    void start();
    void cancel();
    const AppcastItem& item() const { return m_request.item; }

    // A file name safe to create from the last path component of a URL: no separators, no control or
    // direction characters, nothing hidden, at most maximumFileNameBytes of UTF-8.
    static QString safeFileName(const QUrl& url);
    // The path "<directory>/<name>", or "<base> (n).<ext>" when that exists already.
    static QString uniquePath(const QString& directory, const QString& name);

signals:
    void progress(qint64 received, qint64 total);
    // Every byte is in; the signature is being checked.
    void verifying();
    void finished(const KestrelUpdater::DownloadResult& result);

private:
    void transferred(const TransferOutcome& outcome, const QString& problem);
    void verified(const QString& problem);
    QString sizeProblem(const TransferOutcome& outcome) const;
    void keep();
    void fail(QString message);
    void discardThen(QString reason);
    void concludeDiscarded();
    void conclude(DownloadResult result);

    Request m_request;
    std::shared_ptr<TransferControl> m_control;
    std::shared_ptr<PartialFile> m_partial;
    QString m_finalPath;
    QFutureWatcher<QString> m_verification;
    QFutureWatcher<void> m_discard;
    enum class Phase { Idle, Transferring, Verifying, Discarding, Done };
    Phase m_phase = Phase::Idle;
    bool m_cancelled = false;
    bool m_done = false;
    QString m_discardReason;
    WorkerThread m_worker; // last: it is waited for before the rest goes
};

} // namespace KestrelUpdater
