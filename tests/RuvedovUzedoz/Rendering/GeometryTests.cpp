#include "RuvedovUzedoz/Layouts/SavedPageLayout.h"
#include "RuvedovUzedoz/Rendering/CompressionSettings.h"
#include "RuvedovUzedoz/Rendering/ContactSheetCell.h"
#include "RuvedovUzedoz/Rendering/ContactSheetPage.h"
#include "RuvedovUzedoz/Rendering/NumberDescription.h"

#include <gtest/gtest.h>

using namespace RuvedovUzedoz;

namespace {

PageLayout grid(double width, double height, double margin, qint64 rows, qint64 columns)
{
    PageLayout layout = PageLayout::defaultLayout();
    layout.width = width;
    layout.height = height;
    layout.margin = margin;
    layout.rows = rows;
    layout.columns = columns;
    return layout;
}

} // namespace

TEST(PageGeometry, CellsRunLeftToRightFromTheTopRowButDrawBottomRowFirst)
{
    const struct {
        PageLayout layout;
        qsizetype images;
        QSizeF cell;
        std::vector<double> placements; // in drawing order: image index, x, y of the cell's origin
    } rows[] = {
        {grid(792, 612, 18, 2, 2), 4, {369, 279}, {2, 18, 18, 3, 405, 18, 0, 18, 315, 1, 405, 315}},
        {grid(792, 612, 18, 2, 2), 3, {369, 279}, {2, 18, 18, 0, 18, 315, 1, 405, 315}},
        {grid(792, 612, 18, 2, 2), 1, {369, 279}, {0, 18, 315}},
        {grid(792, 612, 18, 1, 1), 1, {756, 576}, {0, 18, 18}},
        {grid(612, 792, 18, 3, 2), 1, {279, 240}, {0, 18, 534}},
        {grid(792, 612, 18, 1, 2), 5, {369, 576}, {0, 18, 18, 1, 405, 18}}, // more pictures than cells
        {grid(36.5, 36.5, 18, 1, 1), 1, {0.5, 0.5}, {0, 18, 18}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << row.layout.rows << " × " << row.layout.columns << ", " << row.images);
        EXPECT_EQ(ContactSheetPage::cellSize(row.layout), row.cell);
        std::vector<double> placements;
        for (const auto& placement : ContactSheetPage::placements(row.layout, row.images))
            placements.insert(placements.end(),
                              {double(placement.imageIndex), placement.origin.x(), placement.origin.y()});
        EXPECT_EQ(placements, row.placements);
    }
}

TEST(PageGeometry, GridsWithoutRoomForACellHaveNoCells)
{
    for (const PageLayout& layout :
         {grid(792, 612, 400, 2, 2), grid(792, 612, 18, 0, 2), grid(792, 612, 18, 2, -1),
          grid(36, 612, 18, 1, 1), grid(792, 36, 18, 1, 1), grid(792, 612, qInf(), 2, 2),
          grid(qQNaN(), 612, 18, 2, 2), grid(792, qInf(), 18, 2, 2)}) {
        EXPECT_FALSE(ContactSheetPage::cellSize(layout));
        EXPECT_TRUE(ContactSheetPage::placements(layout, 4).empty());
        EXPECT_TRUE(ContactSheetPage::imageRequests(layout, {QUrl::fromLocalFile("/a.jpg")}).empty());
    }
}

TEST(PageGeometry, ImageRequestsFollowDrawingOrderWithTheImageBox)
{
    const QList<QUrl> urls = {QUrl::fromLocalFile("/1.jpg"), QUrl::fromLocalFile("/2.jpg"),
                              QUrl::fromLocalFile("/3.jpg")};
    PageLayout layout = grid(792, 612, 18, 2, 2);
    const auto requests = ContactSheetPage::imageRequests(layout, urls);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ((QList<QUrl>{requests[0].url, requests[1].url, requests[2].url}),
              (QList<QUrl>{urls[2], urls[0], urls[1]}));
    EXPECT_EQ(requests[0].box, QSizeF(369, 261));
    layout.fontSize = 186; // the label takes the whole cell
    EXPECT_TRUE(ContactSheetPage::imageRequests(layout, urls).empty());
    layout.drawsImages = false;
    EXPECT_TRUE(ContactSheetPage::imageRequests(layout, urls).empty());
    EXPECT_EQ(ContactSheetPage(layout, urls).pageLabel(), QStringLiteral("unknown page")); // in no document
}

TEST(CellGeometry, PicturesAreFittedWholeAndCentred)
{
    const struct {
        const char* name;
        bool showsLabel;
        double fontSize;
        QSizeF picture;
        std::optional<QRectF> expected;
    } rows[] = {
        {"landscape fills the height", true, 12, {4000, 3000}, QRectF(10.5, 18, 348, 261)},
        {"portrait is centred across", true, 12, {3000, 4000}, QRectF(86.625, 18, 195.75, 261)},
        {"labels off use the whole cell", false, 12, {4000, 3000}, QRectF(0, 1.125, 369, 276.75)},
        {"small pictures are enlarged", true, 12, {100, 50}, QRectF(0, 18 + (261 - 184.5) / 2, 369, 184.5)},
        {"a one-pixel picture", true, 12, {1, 1}, QRectF(54, 18, 261, 261)},
        {"a label taller than the cell leaves no image box", true, 1000, {100, 50}, std::nullopt},
        {"an empty picture", true, 12, {0, 50}, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(
            ContactSheetCell(369, 279, row.fontSize, row.showsLabel, QStringLiteral("Futura"), Color::black())
                .fittedRect(row.picture),
            row.expected)
            << row.name;
}

TEST(NumberDescription, ShortestDigitsWithAtLeastOneDecimal)
{
    const std::vector<std::pair<double, const char*>> rows = {
        {792, "792.0"},   {612, "612.0"},        {595.3, "595.3"},
        {0.087, "0.087"}, {-2, "-2.0"},          {0, "0.0"},
        {1e16, "1e+16"},  {1e-5, "1e-05"},       {0.1 + 0.2, "0.30000000000000004"},
        {qInf(), "inf"},  {-qInf(), "-inf"},     {qQNaN(), "nan"},
        {1e-4, "0.0001"}, {-1.5e-7, "-1.5e-07"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(doubleDescription(value), QString::fromLatin1(text)) << text;
    EXPECT_EQ(sizeDescription(QSizeF(4000, 3000)), QStringLiteral("(4000.0, 3000.0)"));
}

TEST(CompressionSettings, TakenFromTheFilterOnlyWhenItIsOnAndWhole)
{
    PageLayout layout(SavedPageLayout{.imageQuality = 0.3,
                                      .imageResolution = 150,
                                      .imageSizeMax = 512,
                                      .imageSizeMin = 10,
                                      .imageScaleFactor = 0.5});
    const ImageSettings on = imageSettings(layout);
    EXPECT_EQ(std::tuple(on.compress, on.quality, on.resolution, on.sizeMax, on.sizeMin, on.scaleFactor),
              std::tuple(true, 0.3, 150.0, 512.0, 10.0, 0.5));
    layout.enableQuartz = false;
    EXPECT_FALSE(imageSettings(layout).compress);

    // A filter whose description lacks a setting, or holds one that is not a number, cannot be applied.
    const auto with = [](const QString& key, const QVariant& value) {
        QVariantMap scale{
            {"ImageResolution", 300}, {"ImageScaleFactor", 1}, {"ImageSizeMax", 2048}, {"ImageSizeMin", 0}};
        QVariantMap image{{"Compression Quality", 1.0}};
        (key.startsWith("Image") ? scale : image).insert(key, value);
        image.insert("ImageScaleSettings", scale);
        return compressionSettings(
            {{"FilterData", QVariantMap{{"ColorSettings", QVariantMap{{"ImageSettings", image}}}}}});
    };
    EXPECT_EQ(with("ImageSizeMax", 512).value_or(ImageSettings()).sizeMax, 512);
    for (const QVariant& value : {QVariant(), QVariant(QStringLiteral("512")), QVariant(true),
                                  QVariant(QStringLiteral("x")), QVariant(QVariantList{512})})
        EXPECT_FALSE(with("ImageSizeMax", value)) << value.toString().toStdString();
    for (const char* key : {"Compression Quality", "ImageResolution", "ImageScaleFactor", "ImageSizeMin"})
        EXPECT_FALSE(with(key, QVariant())) << key;
}
