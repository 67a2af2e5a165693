#pragma once

#include "UserDriver.h"

#include <QPointer>

class QProgressDialog;

namespace KestrelUpdater {

// The updater's own dialogs: a progress dialog while a check or a download runs, and a window for each
// outcome. Dialogs are window-modal to the active window, never application-modal.
class DialogUserDriver : public UserDriver {
public:
    DialogUserDriver();
    ~DialogUserDriver() override;

    void showCheckStarted(Updater& updater) override;
    void bringCheckToFront() override;
    void dismissCheck() override;
    void showUpToDate(Updater& updater, const CheckResult& result) override;
    void showUpdateFound(Updater& updater, const CheckResult& result) override;
    void showCheckError(Updater& updater, const CheckResult& result) override;
    void showDownloadStarted(Updater& updater, const AppcastItem& item) override;
    void showDownloadProgress(qint64 received, qint64 total) override;
    void showDownloadFinished(Updater& updater, const DownloadResult& result) override;

private:
    QPointer<QProgressDialog> m_checkProgress;
    QPointer<QProgressDialog> m_downloadProgress;
};

} // namespace KestrelUpdater
