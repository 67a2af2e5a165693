#pragma once

#include "RuvedovUzedoz/Layouts/ColorProxy.h"
#include "RuvedovUzedoz/Layouts/SavedPageLayoutOptions.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <optional>

namespace RuvedovUzedoz {

struct PageLayout;

// A partial page layout: any subset of the 19 settings. Applying it (`PageLayout::apply`) overwrites
// only the settings it holds. Its JSON object is the content of a saved-layout file.
//
// An aggregate, so a caller names only the fields it sets:
//     SavedPageLayout{.width = 792, .height = 612}
struct SavedPageLayout {
    using Options = SavedPageLayoutOptions;

    std::optional<double> width = std::nullopt;
    std::optional<double> height = std::nullopt;
    std::optional<double> margin = std::nullopt;
    std::optional<bool> enableQuartz = std::nullopt;
    std::optional<double> imageQuality = std::nullopt;
    std::optional<double> imageResolution = std::nullopt;
    std::optional<double> imageSizeMax = std::nullopt;
    std::optional<double> imageSizeMin = std::nullopt;
    std::optional<double> imageScaleFactor = std::nullopt;
    std::optional<bool> drawsBoundingBox = std::nullopt;
    std::optional<bool> drawsImages = std::nullopt;
    std::optional<bool> drawsBackground = std::nullopt;
    std::optional<bool> showsLabel = std::nullopt;
    std::optional<double> fontSize = std::nullopt;
    std::optional<ColorProxy> fontColor = std::nullopt;
    std::optional<QString> fontName = std::nullopt;
    std::optional<ColorProxy> backgroundColor = std::nullopt;
    std::optional<qint64> rows = std::nullopt;
    std::optional<qint64> columns = std::nullopt;

    // Every field of `layout`.
    static SavedPageLayout from(const PageLayout& layout);
    // The fields of `layout` whose option is on; the others absent.
    static SavedPageLayout from(const PageLayout& layout, const Options& options);

    // The built-in saved layouts. `defaultLayout()` is the whole default page layout ("Default Layout").
    static SavedPageLayout defaultLayout();
    static SavedPageLayout letterSize();
    static SavedPageLayout a4Size();
    static SavedPageLayout oneUpGrid();
    static SavedPageLayout twoUpGrid();
    static SavedPageLayout fourUpGrid();

    // The 19 key names in declaration order.
    static const QStringList& keyNames();

    // Only the present fields, each under its name. Throws KestrelExtensions::EncodingError for a
    // non-finite number, before anything is written.
    QJsonValue toJson(const QStringList& codingPath = {}) const;
    // A missing key or null is an absent field; unknown keys are ignored; a value of the wrong type
    // fails the whole read with KestrelExtensions::DecodingError.
    static SavedPageLayout fromJson(const QJsonValue& value, const QStringList& codingPath = {});

    friend bool operator==(const SavedPageLayout&, const SavedPageLayout&) = default;
};

size_t qHash(const SavedPageLayout& saved, size_t seed = 0) noexcept;

} // namespace RuvedovUzedoz
