#pragma once

#include "AppcastItem.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

namespace KestrelUpdater {

// The release feed: an RSS channel whose items carry the update namespace's version, signature and
// operating-system attributes (matched by namespace URI, whatever its prefix).
struct Appcast {
    // The namespace of the update attributes.
    static constexpr auto updateNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

    // Items usable on this system, in feed order: each has a version and either a Linux (or
    // system-neutral) enclosure with an http(s) URL, or no enclosure but a link to read about it.
    std::vector<AppcastItem> items;

    // A feed nested deeper than this is malformed.
    static constexpr int maximumDepth = 64;
    // An item whose version is longer than this is not offered (a longer display version is not shown).
    static constexpr qsizetype maximumVersionLength = 256;

    // Parses a feed; links are resolved against the feed's URL. Malformed XML, an entity declaration
    // (external or internal), nesting past maximumDepth or a document that is no RSS gives an error
    // naming line and column. Reentrant: it touches no shared state, so any thread may call it.
    struct Parsed;
    static Parsed parse(const QByteArray& xml, const QUrl& feedUrl);

    // The acceptable item with the highest version (not simply the first), if any.
    std::optional<AppcastItem> bestItem() const;
};

struct Appcast::Parsed {
    std::optional<Appcast> appcast;
    QString error; // set when appcast is empty
};

} // namespace KestrelUpdater
