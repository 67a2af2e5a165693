#pragma once

#include "KestrelUpdater/Check/CheckResult.h"

namespace KestrelUpdater {

class Updater;

// What the user sees of checks and downloads. The updater calls it on the main thread; dialogs by
// default, something that records the calls in tests.
class UserDriver {
public:
    virtual ~UserDriver() = default;

    // A user-initiated check has started (shows that it runs and lets the user cancel it).
    virtual void showCheckStarted(Updater& updater) = 0;
    // The user asked again while a check runs.
    virtual void bringCheckToFront() = 0;
    // The check that showCheckStarted announced has ended, whatever its outcome.
    virtual void dismissCheck() = 0;

    virtual void showUpToDate(Updater& updater, const CheckResult& result) = 0;
    virtual void showUpdateFound(Updater& updater, const CheckResult& result) = 0;
    virtual void showCheckError(Updater& updater, const CheckResult& result) = 0;

    virtual void showDownloadStarted(Updater& updater, const AppcastItem& item) = 0;
    virtual void showDownloadProgress(qint64 received, qint64 total) = 0;
    // A download the user started, or one made silently after a background check, has ended.
    virtual void showDownloadFinished(Updater& updater, const DownloadResult& result) = 0;
};

} // namespace KestrelUpdater
