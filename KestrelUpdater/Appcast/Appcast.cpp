#include "Appcast.h"

#include "VersionComparator.h"

#include <QXmlStreamReader>

namespace KestrelUpdater {
namespace {

struct RawEnclosure {
    AppcastEnclosure enclosure;
    QString version;
    QString shortVersionString;
};

bool isUpdateNamespace(QStringView uri)
{
    return uri == QLatin1String(Appcast::updateNamespace);
}

QUrl resolvedHttpUrl(const QString& text, const QUrl& base)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl url = base.resolved(QUrl(trimmed));
    const QString scheme = url.scheme().toLower();
    return (url.isValid() && (scheme == u"https" || scheme == u"http")) ? url : QUrl();
}

RawEnclosure readEnclosure(const QXmlStreamAttributes& attributes, const QUrl& base)
{
    RawEnclosure raw;
    QString os;
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringView name = attribute.name();
        const QString value = attribute.value().toString();
        if (attribute.namespaceUri().isEmpty()) {
            if (name == u"url")
                raw.enclosure.url = resolvedHttpUrl(value, base);
            else if (name == u"length") {
                bool ok = false;
                const qint64 length = value.trimmed().toLongLong(&ok);
                raw.enclosure.length = (ok && length >= 0) ? length : -1;
            } else if (name == u"type")
                raw.enclosure.type = value;
        } else if (isUpdateNamespace(attribute.namespaceUri())) {
            if (name == u"version")
                raw.version = value.trimmed();
            else if (name == u"shortVersionString")
                raw.shortVersionString = value.trimmed();
            else if (name == u"os")
                raw.enclosure.os = value.trimmed();
            else if (name == u"edSignature")
                raw.enclosure.edSignature = value.trimmed();
        }
    }
    return raw;
}

bool isForThisSystem(const AppcastEnclosure& enclosure)
{
    return enclosure.os.isEmpty() || enclosure.os.compare(u"linux", Qt::CaseInsensitive) == 0;
}

// Which field of an item an element's text fills.
enum class Field { None, Title, Link, Description, PubDate, Version, ShortVersion, ReleaseNotesLink };

Field fieldOf(QStringView name, QStringView namespaceUri)
{
    if (namespaceUri.isEmpty()) {
        if (name == u"title")
            return Field::Title;
        if (name == u"link")
            return Field::Link;
        if (name == u"description")
            return Field::Description;
        if (name == u"pubDate")
            return Field::PubDate;
    } else if (isUpdateNamespace(namespaceUri)) {
        if (name == u"version")
            return Field::Version;
        if (name == u"shortVersionString")
            return Field::ShortVersion;
        if (name == u"releaseNotesLink")
            return Field::ReleaseNotesLink;
    }
    return Field::None;
}

// One <item> while it is read: its fields take the text of all they hold, child elements included.
struct ItemReader {
    AppcastItem item;
    std::vector<RawEnclosure> enclosures;
    Field field = Field::None;
    QString text;

    void fieldStarted(Field started)
    {
        field = started;
        text.clear();
    }

    void fieldEnded(const QUrl& base)
    {
        switch (field) {
        case Field::None:
            break;
        case Field::Title:
            item.title = text.trimmed();
            break;
        case Field::Link:
            item.link = resolvedHttpUrl(text, base);
            break;
        case Field::Description:
            item.description = text.trimmed();
            break;
        case Field::PubDate:
            item.pubDate = QDateTime::fromString(text.trimmed(), Qt::RFC2822Date);
            break;
        case Field::Version:
            item.version = text.trimmed();
            break;
        case Field::ShortVersion:
            item.shortVersionString = text.trimmed();
            break;
        case Field::ReleaseNotesLink:
            item.releaseNotesLink = resolvedHttpUrl(text, base);
            break;
        }
        field = Field::None;
        text.clear();
    }

    // The item when this system can use it.
    std::optional<AppcastItem> finished() &&;
};

std::optional<AppcastItem> ItemReader::finished() &&
{
    // Prefer the enclosure made for Linux over a system-neutral one; never offer another system's.
    const RawEnclosure* chosen = nullptr;
    for (const RawEnclosure& raw : enclosures) {
        if (!isForThisSystem(raw.enclosure) || raw.enclosure.url.isEmpty())
            continue;
        if (!chosen || (chosen->enclosure.os.isEmpty() && !raw.enclosure.os.isEmpty()))
            chosen = &raw;
    }
    if (chosen) {
        item.hasEnclosure = true;
        item.enclosure = chosen->enclosure;
        if (item.version.isEmpty())
            item.version = chosen->version;
        if (item.shortVersionString.isEmpty())
            item.shortVersionString = chosen->shortVersionString;
    } else if (!enclosures.empty() || item.link.isEmpty()) {
        return std::nullopt; // only other systems' files, or nothing to offer at all
    }
    // A version no release would carry is no version: it never reaches a comparison.
    if (item.version.isEmpty() || item.version.size() > Appcast::maximumVersionLength)
        return std::nullopt;
    if (item.shortVersionString.size() > Appcast::maximumVersionLength)
        item.shortVersionString.clear();
    return std::move(item);
}

QString positioned(const QXmlStreamReader& reader, const QString& message)
{
    QString text = message;
    if (text.endsWith(u'.'))
        text.chop(1); // the caller closes the sentence
    return QStringLiteral("line %1, column %2: %3")
        .arg(reader.lineNumber())
        .arg(reader.columnNumber())
        .arg(text);
}

} // namespace

Appcast::Parsed Appcast::parse(const QByteArray& xml, const QUrl& feedUrl)
{
    // One pass over the tokens, with the nesting counted here: nothing recurses per level, and a feed
    // nested deeper than any honest one is refused before its depth costs anything.
    QXmlStreamReader reader(xml);
    Appcast appcast;
    bool sawRss = false;
    int depth = 0;
    std::optional<ItemReader> item;
    int itemDepth = 0;  // the depth of the open <item>
    int fieldDepth = 0; // the depth of the item's field whose text is gathered
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            // A feed has no use for a document type; refusing it keeps entity tricks out entirely.
            if (!reader.entityDeclarations().isEmpty() || !reader.dtdSystemId().isEmpty())
                return {std::nullopt,
                        positioned(reader, QStringLiteral("entity declarations are not allowed"))};
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > maximumDepth)
                return {std::nullopt,
                        positioned(reader, QStringLiteral("the feed is nested more than %1 elements deep")
                                               .arg(maximumDepth))};
            if (!sawRss) {
                if (reader.name() != u"rss")
                    return {std::nullopt,
                            positioned(reader, QStringLiteral("the document is not an RSS feed"))};
                sawRss = true;
            } else if (!item) {
                if (reader.name() == u"item" && reader.namespaceUri().isEmpty()) {
                    item.emplace();
                    itemDepth = depth;
                }
            } else if (depth == itemDepth + 1) {
                const QStringView name = reader.name();
                const bool plain = reader.namespaceUri().isEmpty();
                if (plain && name == u"enclosure")
                    item->enclosures.push_back(readEnclosure(reader.attributes(), feedUrl));
                else if (isUpdateNamespace(reader.namespaceUri()) && name == u"criticalUpdate")
                    item->item.criticalUpdate = true;
                else if (const Field field = fieldOf(name, reader.namespaceUri()); field != Field::None) {
                    item->fieldStarted(field);
                    fieldDepth = depth;
                }
            }
            break;
        case QXmlStreamReader::EndElement:
            if (item && item->field != Field::None && depth == fieldDepth)
                item->fieldEnded(feedUrl);
            if (item && depth == itemDepth) {
                if (auto usable = std::move(*item).finished())
                    appcast.items.push_back(std::move(*usable));
                item.reset();
            }
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (item && item->field != Field::None)
                item->text += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return {std::nullopt, positioned(reader, reader.errorString())};
    if (!sawRss)
        return {std::nullopt, positioned(reader, QStringLiteral("the document is empty"))};
    return {std::move(appcast), {}};
}

std::optional<AppcastItem> Appcast::bestItem() const
{
    const AppcastItem* best = nullptr;
    for (const AppcastItem& item : items)
        if (!best || compareVersions(item.version, best->version) > 0)
            best = &item;
    return best ? std::optional<AppcastItem>(*best) : std::nullopt;
}

} // namespace KestrelUpdater
