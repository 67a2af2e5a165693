#pragma once

#include "CheckResult.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace KestrelUpdater {

// One fetch of the feed and its verdict against the running version. Emits finished exactly once, at
// the latest when the deadline has passed, whatever the server does.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    struct Request {
        QUrl url;               // the feed with any profile query
        QString currentVersion; // what is running
        QString skippedVersion; // treated as up to date (empty: none)
        int transferTimeoutMs = 30000;
        int deadlineMs = 60000; // the whole check, redirects included
        qint64 maximumSize = 0;
    };

    UpdateCheck(QNetworkAccessManager& network, Request request, QObject* parent = nullptr);
    ~UpdateCheck() override;

    void start();
    void cancel();

signals:
    void finished(const KestrelUpdater::CheckResult& result);

private:
    void get(const QUrl& url);
    void headersArrived();
    void follow(const QUrl& target);
    void readAvailable();
    void replyFinished();
    void stop(const QString& reason);
    void fail(QString message);
    void conclude(CheckResult result);

    QNetworkAccessManager& m_network;
    Request m_request;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    QString m_abortReason; // why we aborted the reply ourselves
    int m_redirects = 0;
    bool m_viaHttps = false; // some hop went over HTTPS: no plain HTTP after it
    bool m_done = false;
};

} // namespace KestrelUpdater
