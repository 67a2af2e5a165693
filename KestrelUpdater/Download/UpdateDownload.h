#pragma once

#include "KestrelUpdater/Check/CheckResult.h"

#include <QFile>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace KestrelUpdater {

// Downloads an item's enclosure into a folder. The bytes go to a "<name>.part" file first; only a file
// whose length matches the feed and whose signature (when a key is configured and the item is signed)
// verifies is given its final name. Anything else is deleted. Every transfer is bounded: no more bytes
// than the feed announced (or than maximumSize), no slower than minimumRate. Emits finished exactly once.
class UpdateDownload : public QObject {
    Q_OBJECT
public:
    struct Request {
        AppcastItem item;
        QString directory;
        QByteArray publicKeyBase64; // empty: no key configured
        QString currentVersion;
        int transferTimeoutMs = 30000;
        // Files larger than this are refused when the feed does not say how long they are.
        qint64 maximumSize = defaultMaximumSize;
        // A server that sends less than this many bytes a second, measured over each window, is given up.
        qint64 minimumRate = defaultMinimumRate;
        int rateWindowMs = 30000;
    };

    static constexpr qint64 defaultMaximumSize = qint64(1) * 1024 * 1024 * 1024;
    static constexpr qint64 defaultMinimumRate = 1024;
    static constexpr int maximumRedirects = 5;
    // Room under the system's 255-byte limit for " (n)" and ".part".
    static constexpr qsizetype maximumFileNameBytes = 200;

    UpdateDownload(QNetworkAccessManager& network, Request request, QObject* parent = nullptr);
    ~UpdateDownload() override;

    void start();
    void cancel();

    // A file name safe to create from the last path component of a URL: no separators, no control or
    // direction characters, nothing hidden, at most maximumFileNameBytes of UTF-8.
    static QString safeFileName(const QUrl& url);
    // The path "<directory>/<name>", or "<base> (n).<ext>" when that exists already.
    static QString uniquePath(const QString& directory, const QString& name);

signals:
    void progress(qint64 received, qint64 total);
    void finished(const KestrelUpdater::DownloadResult& result);

private:
    void get(const QUrl& url);
    void headersArrived();
    void follow(const QUrl& target);
    void checkRate();
    void stop(const QString& reason);
    void readAvailable();
    void save(QNetworkReply& reply);
    void concludeCancelled();
    QString tooLargeMessage() const;
    void replyFinished();
    void fail(QString message);
    void conclude(DownloadResult result);
    void verifyAndKeep();
    void keep();

    QNetworkAccessManager& m_network;
    Request m_request;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QFile> m_partial;
    qint64 m_received = 0;
    qint64 m_receivedAtLastLook = 0;
    QTimer m_rate;
    QFutureWatcher<QString> m_verification;
    QString m_abortReason;
    bool m_signatureVerified = false;
    QString m_finalPath;
    int m_redirects = 0;
    bool m_viaHttps = false; // some hop went over HTTPS: no plain HTTP after it
    bool m_done = false;
};

} // namespace KestrelUpdater
