#pragma once

#include "KestrelUpdater/Interface/UserDriver.h"

#include <QStringList>

namespace TestSupport {

// Records what the updater would show, instead of showing it.
class RecordingUserDriver : public KestrelUpdater::UserDriver {
public:
    QStringList events;

    void showCheckStarted(KestrelUpdater::Updater&) override { events << "checkStarted"; }
    void bringCheckToFront() override { events << "bringToFront"; }
    void dismissCheck() override { events << "dismissCheck"; }
    void showUpToDate(KestrelUpdater::Updater&, const KestrelUpdater::CheckResult&) override
    {
        events << "upToDate";
    }
    void showUpdateFound(KestrelUpdater::Updater&, const KestrelUpdater::CheckResult&) override
    {
        events << "updateFound";
    }
    void showCheckError(KestrelUpdater::Updater&, const KestrelUpdater::CheckResult&) override
    {
        events << "error";
    }
    void showDownloadStarted(KestrelUpdater::Updater&, const KestrelUpdater::AppcastItem&) override
    {
        events << "downloadStarted";
    }
    void showDownloadProgress(qint64, qint64) override {}
    void showDownloadFinished(KestrelUpdater::Updater&, const KestrelUpdater::DownloadResult&) override
    {
        events << "downloadFinished";
    }
};

} // namespace TestSupport
