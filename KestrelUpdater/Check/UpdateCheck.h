#pragma once

#include "CheckResult.h"
#include "KestrelUpdater/Transfer/WorkerThread.h"

#include <QObject>
#include <QUrl>
#include <memory>

namespace KestrelUpdater {

class TransferControl;

// One fetch of the feed and its verdict against the running version. The transfer, the parsing and the
// comparison run on a worker thread; only the verdict reaches the window's thread. Emits finished
// exactly once, at the latest when the deadline has passed, whatever the server does.
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

    explicit UpdateCheck(Request request, QObject* parent = nullptr);
    ~UpdateCheck() override;

    void start();
    void cancel();

signals:
    void finished(const KestrelUpdater::CheckResult& result);

private:
    void fail(QString message);
    void conclude(CheckResult result);

    Request m_request;
    std::shared_ptr<TransferControl> m_control;
    bool m_started = false;
    bool m_cancelled = false;
    bool m_done = false;
    WorkerThread m_worker; // last: it is waited for before the rest goes
};

} // namespace KestrelUpdater
