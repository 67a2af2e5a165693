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

// Reads one <item>; answers it when this system can use it.
std::optional<AppcastItem> readItem(QXmlStreamReader& reader, const QUrl& base)
{
    AppcastItem item;
    std::vector<RawEnclosure> enclosures;
    while (reader.readNextStartElement()) {
        const QStringView name = reader.name();
        const bool update = isUpdateNamespace(reader.namespaceUri());
        const bool plain = reader.namespaceUri().isEmpty();
        if (plain && name == u"enclosure") {
            enclosures.push_back(readEnclosure(reader.attributes(), base));
            reader.skipCurrentElement();
        } else if (plain && name == u"title") {
            item.title = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (plain && name == u"link") {
            item.link = resolvedHttpUrl(reader.readElementText(QXmlStreamReader::IncludeChildElements), base);
        } else if (plain && name == u"description") {
            item.description = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (plain && name == u"pubDate") {
            item.pubDate = QDateTime::fromString(
                reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed(), Qt::RFC2822Date);
        } else if (update && name == u"version") {
            item.version = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (update && name == u"shortVersionString") {
            item.shortVersionString =
                reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (update && name == u"releaseNotesLink") {
            item.releaseNotesLink =
                resolvedHttpUrl(reader.readElementText(QXmlStreamReader::IncludeChildElements), base);
        } else if (update && name == u"criticalUpdate") {
            item.criticalUpdate = true;
            reader.skipCurrentElement();
        } else {
            reader.skipCurrentElement();
        }
    }
    if (reader.hasError())
        return std::nullopt;

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
    if (item.version.isEmpty())
        return std::nullopt;
    return item;
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
    QXmlStreamReader reader(xml);
    Appcast appcast;
    bool sawRss = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            // A feed has no use for a document type; refusing it keeps entity tricks out entirely.
            if (!reader.entityDeclarations().isEmpty() || !reader.dtdSystemId().isEmpty())
                return {std::nullopt,
                        positioned(reader, QStringLiteral("entity declarations are not allowed"))};
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!sawRss) {
            if (reader.name() != u"rss")
                return {std::nullopt, positioned(reader, QStringLiteral("the document is not an RSS feed"))};
            sawRss = true;
            continue;
        }
        if (reader.name() == u"item" && reader.namespaceUri().isEmpty()) {
            if (auto item = readItem(reader, feedUrl))
                appcast.items.push_back(*item);
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
