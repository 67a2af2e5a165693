#pragma once

#include "KestrelUpdater/Interface/UserDriver.h"

#include <QStringList>
#include <vector>

namespace TestSupport {

// Records what the updater would show, instead of showing it.
class RecordingUserDriver : public KestrelUpdater::UserDriver {
public:
    QStringList events;
    std::vector<KestrelUpdater::CheckResult> results;
    std::vector<KestrelUpdater::DownloadResult> downloads;

    void showCheckStarted(KestrelUpdater::Updater&) override { events << "checkStarted"; }
    void bringCheckToFront() override { events << "bringToFront"; }
    void dismissCheck() override { events << "dismissCheck"; }
    void showUpToDate(KestrelUpdater::Updater&, const KestrelUpdater::CheckResult& result) override
    {
        events << "upToDate";
        results.push_back(result);
    }
    void showUpdateFound(KestrelUpdater::Updater&, const KestrelUpdater::CheckResult& result) override
    {
        events << "updateFound";
        results.push_back(result);
    }
    void showCheckError(KestrelUpdater::Updater&, const KestrelUpdater::CheckResult& result) override
    {
        events << "error";
        results.push_back(result);
    }
    void showDownloadStarted(KestrelUpdater::Updater&, const KestrelUpdater::AppcastItem&) override
    {
        events << "downloadStarted";
    }
    void showDownloadProgress(qint64, qint64) override {}
    void showDownloadFinished(KestrelUpdater::Updater&, const KestrelUpdater::DownloadResult& result) override
    {
        events << "downloadFinished";
        downloads.push_back(result);
    }
};

} // namespace TestSupport
