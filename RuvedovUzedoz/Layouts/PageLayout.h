#pragma once

#include "RuvedovUzedoz/Layouts/Color.h"

#include <QJsonValue>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <vector>

namespace RuvedovUzedoz {

struct SavedPageLayout;

// How a contact sheet is paged and drawn. Geometry is in points (1/72 inch); the margin is both the
// page margin and the gutter between cells. A default-made layout equals `defaultLayout()`.
struct PageLayout {
    // The page sides a PDF reader shows (in points); a render with another size is refused.
    static constexpr double minimumSide = 3;
    static constexpr double maximumSide = 14400;
    // Whether a page side (in points) can be rendered; false for NaN and the infinities too. The size
    // fields refuse what this refuses.
    static constexpr bool isRenderableSide(double points)
    {
        return points >= minimumSide && points <= maximumSide;
    }

    double width = 792;
    double height = 612;
    double margin = 18;
    bool enableQuartz = true;
    double imageQuality = 1;
    double imageScaleFactor = 1;
    double imageResolution = 300;
    double imageSizeMax = 2048;
    double imageSizeMin = 0;
    bool drawsBoundingBox = false;
    bool drawsImages = true;
    bool drawsBackground = true;
    bool showsLabel = true;
    double fontSize = 12;
    Color fontColor = Color::black();
    QString fontName = QStringLiteral("Futura");
    Color backgroundColor = Color::white();
    qint64 rows = 2;
    qint64 columns = 2;

    // The field names, in declaration order; also the keys of the JSON and dictionary forms.
    enum class CodingKeys {
        width,
        height,
        margin,
        enableQuartz,
        imageQuality,
        imageScaleFactor,
        imageResolution,
        imageSizeMax,
        imageSizeMin,
        drawsBoundingBox,
        drawsImages,
        drawsBackground,
        showsLabel,
        fontSize,
        fontColor,
        fontName,
        backgroundColor,
        rows,
        columns,
    };
    static const std::vector<CodingKeys>& allCodingKeys();
    static QString stringValue(CodingKeys key);
    // Exact, case-sensitive match of one of the 19 names.
    static std::optional<CodingKeys> codingKey(const QString& stringValue);
    // Keys have no integer form.
    static std::optional<CodingKeys> codingKey(int intValue);
    static const QSet<QString>& keyNames();

    PageLayout() = default;
    PageLayout(double width, double height, double margin, bool enableQuartz, double imageQuality,
               double imageScaleFactor, double imageResolution, double imageSizeMax, double imageSizeMin,
               bool drawsBoundingBox, bool drawsImages, bool drawsBackground, bool showsLabel,
               double fontSize, Color fontColor, QString fontName, Color backgroundColor, qint64 rows,
               qint64 columns);
    // The default layout with every field that `saved` holds applied.
    explicit PageLayout(const SavedPageLayout& saved);

    // 792 × 612 points (US Letter landscape), margin 18, 2 × 2 cells, "Futura" 12 black on white.
    static PageLayout defaultLayout();

    // Not called by the application: kept as a library service for other users.
    // Width, height and margin are given in a unit of `scale` points each; the compression settings
    // that are not taken keep their defaults.
    static PageLayout scaled(double width, double height, double margin, double scale, double imageQuality,
                             double imageSizeMax, bool drawsBoundingBox, bool drawsImages,
                             bool drawsBackground, qint64 rows, qint64 columns, Color backgroundColor,
                             bool showsLabel, double fontSize, QString fontName, Color fontColor);

    void swapDimensions() { std::swap(width, height); }

    // Pages that `count` images fill at rows × columns a page. A grid with no cells or one whose
    // product overflows holds nothing, so it needs no pages (the render refuses such layouts).
    qint64 pagesNeeded(qint64 count) const;
    // rows × columns, or nullopt when that is below 1 or overflows.
    std::optional<qint64> cellsPerPage() const;

    QPointF center() const { return {width * 0.5, height * 0.5}; }
    double doubleRows() const { return double(rows); }
    double doubleColumns() const { return double(columns); }

    // Overwrites each field that `saved` holds. Values that no page could be drawn with (non-finite
    // numbers, a size or font size not above 0, a negative margin, a grid outside 1...1000) are
    // skipped, one log line each, so a hand-made file cannot break a render.
    void apply(const SavedPageLayout& saved);

    // All 19 keys; colours as their component arrays. Throws KestrelExtensions::EncodingError for a
    // non-finite number.
    QJsonValue toJson(const QStringList& codingPath = {}) const;
    // Every key is required; extra keys are ignored. Throws KestrelExtensions::DecodingError.
    static PageLayout fromJson(const QJsonValue& value, const QStringList& codingPath = {});

    // The 19 fields by name: doubles, bools, the font name as QString, rows and columns as qint64 and
    // the colours as `Color` values.
    QVariantMap rawValue() const;
    // nullopt for a key outside the 19 names, a missing key, or a value of the wrong type.
    static std::optional<PageLayout> fromRawValue(const QVariantMap& rawValue);

    // The image-compression filter's properties, named "Sheetwright Compressor", with this layout's
    // quality and scale settings.
    QVariantMap quartzFilter() const;

    friend bool operator==(const PageLayout& a, const PageLayout& b);
    friend bool operator!=(const PageLayout& a, const PageLayout& b) { return !(a == b); }
};

size_t qHash(const PageLayout& layout, size_t seed = 0) noexcept;

} // namespace RuvedovUzedoz

Q_DECLARE_METATYPE(RuvedovUzedoz::PageLayout)

template <> struct std::hash<RuvedovUzedoz::PageLayout> {
    size_t operator()(const RuvedovUzedoz::PageLayout& layout) const noexcept
    {
        return RuvedovUzedoz::qHash(layout);
    }
};
