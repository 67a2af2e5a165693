#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

namespace KestrelUpdater {

// One downloadable file of a release.
struct AppcastEnclosure {
    QUrl url;
    qint64 length = -1; // -1 when the feed gives none (or an unreadable one)
    QString type;
    QString os;          // empty when the file is for every system
    QString edSignature; // base64, empty when unsigned

    bool operator==(const AppcastEnclosure&) const = default;
};

// One release offered by a feed.
struct AppcastItem {
    QString title;
    QUrl link;
    QString description; // release notes, HTML
    QUrl releaseNotesLink;
    QDateTime pubDate;
    QString version;            // what the comparison uses
    QString shortVersionString; // what the user reads, may be empty
    bool criticalUpdate = false;
    bool hasEnclosure = false;
    AppcastEnclosure enclosure;

    // The version shown to the user.
    QString displayVersion() const { return shortVersionString.isEmpty() ? version : shortVersionString; }

    bool operator==(const AppcastItem&) const = default;
};

} // namespace KestrelUpdater
