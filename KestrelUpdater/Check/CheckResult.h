#pragma once

#include "KestrelUpdater/Appcast/AppcastItem.h"

#include <QMetaType>
#include <QString>
#include <QUrl>
#include <optional>

namespace KestrelUpdater {

// How one check ended.
struct CheckResult {
    // NoFeed: this build knows no update feed, so there is nothing to check.
    enum class Status { UpToDate, UpdateAvailable, Error, Cancelled, NoFeed };

    Status status = Status::Error;
    // The best item for this system (also when it is not newer than the running version).
    std::optional<AppcastItem> item;
    // Why the check failed, for the user; empty on success.
    QString message;
    int httpStatus = 0;
    QUrl requestUrl;
};

// How one download ended.
struct DownloadResult {
    enum class Status { Downloaded, Error, Cancelled };

    Status status = Status::Error;
    AppcastItem item;
    QString filePath; // the verified file; empty unless Downloaded
    QString message;
    bool signatureVerified = false;
};

} // namespace KestrelUpdater

Q_DECLARE_METATYPE(KestrelUpdater::CheckResult)
Q_DECLARE_METATYPE(KestrelUpdater::DownloadResult)
