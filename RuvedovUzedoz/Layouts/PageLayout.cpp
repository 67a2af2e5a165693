#include "PageLayout.h"

#include "KestrelExtensions/Coding/JsonObjectReader.h"
#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Layouts/ColorProxy.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayoutFields.h"

#include <QHash>
#include <QJsonObject>
#include <cmath>

using KestrelExtensions::encodeNumber;
using KestrelExtensions::JsonObjectReader;

namespace RuvedovUzedoz {

namespace {

constexpr std::array<const char*, 19> keyNameTable{"width",           "height",
                                                   "margin",          "enableQuartz",
                                                   "imageQuality",    "imageScaleFactor",
                                                   "imageResolution", "imageSizeMax",
                                                   "imageSizeMin",    "drawsBoundingBox",
                                                   "drawsImages",     "drawsBackground",
                                                   "showsLabel",      "fontSize",
                                                   "fontColor",       "fontName",
                                                   "backgroundColor", "rows",
                                                   "columns"};

// A hand-made saved layout may hold values that no page can be drawn with; those are not applied.
bool usable(const QString& name, double value)
{
    if (!std::isfinite(value))
        return false;
    if (name == u"width" || name == u"height" || name == u"fontSize")
        return value > 0;
    if (name == u"margin")
        return value >= 0;
    return true;
}

bool usable(const QString& name, qint64 value)
{
    Q_UNUSED(name)
    return value >= 1 && value <= 1000;
}

template <class T> const T& unwrapped(const T& value)
{
    return value;
}

const Color& unwrapped(const ColorProxy& proxy)
{
    return proxy.color();
}

// A required colour: missing is a missing key, null a missing value, as for every other field.
Color readColor(const JsonObjectReader& reader, const QString& key)
{
    if (!reader.contains(key))
        throw KestrelExtensions::DecodingError::keyNotFound(reader.pathTo(key), key);
    return ColorProxy::fromJson(reader.valueIfPresent(key).value_or(QJsonValue::Null), reader.pathTo(key))
        .color();
}

QString describe(double value)
{
    return QString::number(value, 'g', 17);
}

QString describe(qint64 value)
{
    return QString::number(value);
}

} // namespace

const std::vector<PageLayout::CodingKeys>& PageLayout::allCodingKeys()
{
    static const std::vector<CodingKeys> keys = [] {
        std::vector<CodingKeys> all;
        for (int i = 0; i < int(keyNameTable.size()); ++i)
            all.push_back(CodingKeys(i));
        return all;
    }();
    return keys;
}

QString PageLayout::stringValue(CodingKeys key)
{
    return QString::fromLatin1(keyNameTable[size_t(key)]);
}

std::optional<PageLayout::CodingKeys> PageLayout::codingKey(const QString& stringValue)
{
    for (size_t i = 0; i < keyNameTable.size(); ++i) {
        if (stringValue == QLatin1String(keyNameTable[i]))
            return CodingKeys(i);
    }
    return std::nullopt;
}

std::optional<PageLayout::CodingKeys> PageLayout::codingKey(int)
{
    return std::nullopt;
}

const QSet<QString>& PageLayout::keyNames()
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        set.reserve(19);
        for (const CodingKeys key : allCodingKeys())
            set.insert(stringValue(key));
        return set;
    }();
    return names;
}

PageLayout::PageLayout(double width, double height, double margin, bool enableQuartz, double imageQuality,
                       double imageScaleFactor, double imageResolution, double imageSizeMax,
                       double imageSizeMin, bool drawsBoundingBox, bool drawsImages, bool drawsBackground,
                       bool showsLabel, double fontSize, Color fontColor, QString fontName,
                       Color backgroundColor, qint64 rows, qint64 columns)
    : width(width), height(height), margin(margin), enableQuartz(enableQuartz), imageQuality(imageQuality),
      imageScaleFactor(imageScaleFactor), imageResolution(imageResolution), imageSizeMax(imageSizeMax),
      imageSizeMin(imageSizeMin), drawsBoundingBox(drawsBoundingBox), drawsImages(drawsImages),
      drawsBackground(drawsBackground), showsLabel(showsLabel), fontSize(fontSize), fontColor(fontColor),
      fontName(std::move(fontName)), backgroundColor(backgroundColor), rows(rows), columns(columns)
{
}

PageLayout::PageLayout(const SavedPageLayout& saved)
{
    apply(saved);
}

PageLayout PageLayout::defaultLayout()
{
    static const PageLayout layout;
    return layout;
}

PageLayout PageLayout::scaled(double width, double height, double margin, double scale, double imageQuality,
                              double imageSizeMax, bool drawsBoundingBox, bool drawsImages,
                              bool drawsBackground, qint64 rows, qint64 columns, Color backgroundColor,
                              bool showsLabel, double fontSize, QString fontName, Color fontColor)
{
    PageLayout layout;
    layout.width = width * scale;
    layout.height = height * scale;
    layout.margin = margin * scale;
    layout.imageQuality = imageQuality;
    layout.imageSizeMax = imageSizeMax;
    layout.drawsBoundingBox = drawsBoundingBox;
    layout.drawsImages = drawsImages;
    layout.drawsBackground = drawsBackground;
    layout.rows = rows;
    layout.columns = columns;
    layout.backgroundColor = backgroundColor;
    layout.showsLabel = showsLabel;
    layout.fontSize = fontSize;
    layout.fontName = std::move(fontName);
    layout.fontColor = fontColor;
    return layout;
}

std::optional<qint64> PageLayout::cellsPerPage() const
{
    qint64 cells = 0;
    if (rows < 1 || columns < 1 || __builtin_mul_overflow(rows, columns, &cells))
        return std::nullopt;
    return cells;
}

qint64 PageLayout::pagesNeeded(qint64 count) const
{
    const std::optional<qint64> cells = cellsPerPage();
    if (!cells || count <= 0)
        return 0;
    return count / *cells + (count % *cells == 0 ? 0 : 1);
}

void PageLayout::apply(const SavedPageLayout& saved)
{
    forEachSavedPageLayoutField([&](const QString& name, auto savedMember, auto layoutMember, auto) {
        const auto& field = saved.*savedMember;
        if (!field)
            return;
        const auto& value = unwrapped(*field);
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, double> ||
                      std::is_same_v<std::decay_t<decltype(value)>, qint64>) {
            if (!usable(name, value)) {
                KestrelExtensions::Log::system(
                    QStringLiteral("Skipping unusable layout value %1 = %2").arg(name, describe(value)));
                return;
            }
        }
        this->*layoutMember = value;
    });
}

QJsonValue PageLayout::toJson(const QStringList& codingPath) const
{
    const auto at = [&](const char* key) { return codingPath + QStringList{QString::fromLatin1(key)}; };
    QJsonObject object;
    object.insert(u"width", encodeNumber(width, at("width")));
    object.insert(u"height", encodeNumber(height, at("height")));
    object.insert(u"margin", encodeNumber(margin, at("margin")));
    object.insert(u"enableQuartz", enableQuartz);
    object.insert(u"imageQuality", encodeNumber(imageQuality, at("imageQuality")));
    object.insert(u"imageResolution", encodeNumber(imageResolution, at("imageResolution")));
    object.insert(u"imageSizeMax", encodeNumber(imageSizeMax, at("imageSizeMax")));
    object.insert(u"imageSizeMin", encodeNumber(imageSizeMin, at("imageSizeMin")));
    object.insert(u"imageScaleFactor", encodeNumber(imageScaleFactor, at("imageScaleFactor")));
    object.insert(u"drawsBoundingBox", drawsBoundingBox);
    object.insert(u"drawsImages", drawsImages);
    object.insert(u"drawsBackground", drawsBackground);
    object.insert(u"showsLabel", showsLabel);
    object.insert(u"fontSize", encodeNumber(fontSize, at("fontSize")));
    object.insert(u"fontColor", ColorProxy(fontColor).toJson(at("fontColor")));
    object.insert(u"fontName", fontName);
    object.insert(u"backgroundColor", ColorProxy(backgroundColor).toJson(at("backgroundColor")));
    object.insert(u"rows", QJsonValue(rows));
    object.insert(u"columns", QJsonValue(columns));
    return object;
}

PageLayout PageLayout::fromJson(const QJsonValue& value, const QStringList& codingPath)
{
    const JsonObjectReader reader = JsonObjectReader::from(value, codingPath);
    // The order of the reads decides which error a document with several faults reports.
    PageLayout layout;
    layout.width = reader.number(QStringLiteral("width"));
    layout.height = reader.number(QStringLiteral("height"));
    layout.margin = reader.number(QStringLiteral("margin"));
    layout.enableQuartz = reader.boolean(QStringLiteral("enableQuartz"));
    layout.imageQuality = reader.number(QStringLiteral("imageQuality"));
    layout.imageResolution = reader.number(QStringLiteral("imageResolution"));
    layout.imageSizeMax = reader.number(QStringLiteral("imageSizeMax"));
    layout.imageSizeMin = reader.number(QStringLiteral("imageSizeMin"));
    layout.imageScaleFactor = reader.number(QStringLiteral("imageScaleFactor"));
    layout.drawsBoundingBox = reader.boolean(QStringLiteral("drawsBoundingBox"));
    layout.drawsImages = reader.boolean(QStringLiteral("drawsImages"));
    layout.drawsBackground = reader.boolean(QStringLiteral("drawsBackground"));
    layout.showsLabel = reader.boolean(QStringLiteral("showsLabel"));
    layout.fontSize = reader.number(QStringLiteral("fontSize"));
    layout.fontName = reader.string(QStringLiteral("fontName"));
    layout.rows = reader.integer(QStringLiteral("rows"));
    layout.columns = reader.integer(QStringLiteral("columns"));
    layout.fontColor = readColor(reader, QStringLiteral("fontColor"));
    layout.backgroundColor = readColor(reader, QStringLiteral("backgroundColor"));
    return layout;
}

QVariantMap PageLayout::rawValue() const
{
    return {
        {QStringLiteral("width"), width},
        {QStringLiteral("height"), height},
        {QStringLiteral("margin"), margin},
        {QStringLiteral("enableQuartz"), enableQuartz},
        {QStringLiteral("imageQuality"), imageQuality},
        {QStringLiteral("imageScaleFactor"), imageScaleFactor},
        {QStringLiteral("imageResolution"), imageResolution},
        {QStringLiteral("imageSizeMax"), imageSizeMax},
        {QStringLiteral("imageSizeMin"), imageSizeMin},
        {QStringLiteral("drawsBoundingBox"), drawsBoundingBox},
        {QStringLiteral("drawsImages"), drawsImages},
        {QStringLiteral("drawsBackground"), drawsBackground},
        {QStringLiteral("showsLabel"), showsLabel},
        {QStringLiteral("fontSize"), fontSize},
        {QStringLiteral("fontColor"), QVariant::fromValue(fontColor)},
        {QStringLiteral("fontName"), fontName},
        {QStringLiteral("backgroundColor"), QVariant::fromValue(backgroundColor)},
        {QStringLiteral("rows"), QVariant::fromValue(rows)},
        {QStringLiteral("columns"), QVariant::fromValue(columns)},
    };
}

namespace {

std::optional<double> rawDouble(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

std::optional<qint64> rawInteger(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    default:
        return std::nullopt;
    }
}

std::optional<bool> rawBool(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

std::optional<QString> rawString(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<Color> rawColor(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    if (value.typeId() != qMetaTypeId<Color>())
        return std::nullopt;
    return value.value<Color>();
}

} // namespace

std::optional<PageLayout> PageLayout::fromRawValue(const QVariantMap& rawValue)
{
    for (auto it = rawValue.keyBegin(); it != rawValue.keyEnd(); ++it) {
        if (!keyNames().contains(*it))
            return std::nullopt;
    }
    const auto width = rawDouble(rawValue, "width");
    const auto height = rawDouble(rawValue, "height");
    const auto margin = rawDouble(rawValue, "margin");
    const auto enableQuartz = rawBool(rawValue, "enableQuartz");
    const auto imageQuality = rawDouble(rawValue, "imageQuality");
    const auto imageScaleFactor = rawDouble(rawValue, "imageScaleFactor");
    const auto imageResolution = rawDouble(rawValue, "imageResolution");
    const auto imageSizeMax = rawDouble(rawValue, "imageSizeMax");
    const auto imageSizeMin = rawDouble(rawValue, "imageSizeMin");
    const auto drawsBoundingBox = rawBool(rawValue, "drawsBoundingBox");
    const auto drawsImages = rawBool(rawValue, "drawsImages");
    const auto drawsBackground = rawBool(rawValue, "drawsBackground");
    const auto showsLabel = rawBool(rawValue, "showsLabel");
    const auto fontSize = rawDouble(rawValue, "fontSize");
    const auto fontColor = rawColor(rawValue, "fontColor");
    const auto fontName = rawString(rawValue, "fontName");
    const auto backgroundColor = rawColor(rawValue, "backgroundColor");
    const auto rows = rawInteger(rawValue, "rows");
    const auto columns = rawInteger(rawValue, "columns");
    if (!width || !height || !margin || !enableQuartz || !imageQuality || !imageScaleFactor ||
        !imageResolution || !imageSizeMax || !imageSizeMin || !drawsBoundingBox || !drawsImages ||
        !drawsBackground || !showsLabel || !fontSize || !fontColor || !fontName || !backgroundColor ||
        !rows || !columns)
        return std::nullopt;
    return PageLayout(*width, *height, *margin, *enableQuartz, *imageQuality, *imageScaleFactor,
                      *imageResolution, *imageSizeMax, *imageSizeMin, *drawsBoundingBox, *drawsImages,
                      *drawsBackground, *showsLabel, *fontSize, *fontColor, *fontName, *backgroundColor,
                      *rows, *columns);
}

QVariantMap PageLayout::quartzFilter() const
{
    const QVariantMap scaleSettings{
        {QStringLiteral("ImageResolution"), imageResolution},
        {QStringLiteral("ImageScaleFactor"), imageScaleFactor},
        {QStringLiteral("ImageScaleInterpolate"), 3.0},
        {QStringLiteral("ImageSizeMax"), imageSizeMax},
        {QStringLiteral("ImageSizeMin"), imageSizeMin},
    };
    const QVariantMap imageSettings{
        {QStringLiteral("Compression Quality"), imageQuality},
        {QStringLiteral("ImageCompression"), QStringLiteral("ImageJPEGCompress")},
        {QStringLiteral("ImageScaleSettings"), scaleSettings},
    };
    const QVariantMap documentColorSettings{
        {QStringLiteral("CustomLHSCorrection"), QVariantList{8, 8, 8}},
    };
    const QVariantMap colorSettings{
        {QStringLiteral("DocumentColorSettings"), documentColorSettings},
        {QStringLiteral("ImageSettings"), imageSettings},
    };
    const QVariantMap filterData{{QStringLiteral("ColorSettings"), colorSettings}};
    return {
        {QStringLiteral("Name"), QStringLiteral("Sheetwright Compressor")},
        {QStringLiteral("FilterType"), 1},
        {QStringLiteral("Domains"),
         QVariantMap{{QStringLiteral("Applications"), true}, {QStringLiteral("Printing"), true}}},
        {QStringLiteral("FilterData"), filterData},
    };
}

bool operator==(const PageLayout& a, const PageLayout& b)
{
    return a.width == b.width && a.height == b.height && a.margin == b.margin &&
           a.enableQuartz == b.enableQuartz && a.imageQuality == b.imageQuality &&
           a.imageScaleFactor == b.imageScaleFactor && a.imageResolution == b.imageResolution &&
           a.imageSizeMax == b.imageSizeMax && a.imageSizeMin == b.imageSizeMin &&
           a.drawsBoundingBox == b.drawsBoundingBox && a.drawsImages == b.drawsImages &&
           a.drawsBackground == b.drawsBackground && a.showsLabel == b.showsLabel &&
           a.fontSize == b.fontSize && a.fontColor == b.fontColor && a.fontName == b.fontName &&
           a.backgroundColor == b.backgroundColor && a.rows == b.rows && a.columns == b.columns;
}

size_t qHash(const PageLayout& l, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, hashDouble(l.width));
    seed = combine(seed, hashDouble(l.height));
    seed = combine(seed, hashDouble(l.margin));
    seed = combine(seed, l.enableQuartz);
    seed = combine(seed, hashDouble(l.imageQuality));
    seed = combine(seed, hashDouble(l.imageScaleFactor));
    seed = combine(seed, hashDouble(l.imageResolution));
    seed = combine(seed, hashDouble(l.imageSizeMax));
    seed = combine(seed, hashDouble(l.imageSizeMin));
    seed = combine(seed, l.drawsBoundingBox);
    seed = combine(seed, l.drawsImages);
    seed = combine(seed, l.drawsBackground);
    seed = combine(seed, l.showsLabel);
    seed = combine(seed, hashDouble(l.fontSize));
    seed = combine(seed, qHash(l.fontColor));
    seed = combine(seed, l.fontName);
    seed = combine(seed, qHash(l.backgroundColor));
    seed = combine(seed, l.rows);
    seed = combine(seed, l.columns);
    return seed;
}

} // namespace RuvedovUzedoz
