#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/JpegStructure.h"

#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using ImageFixtures::readAll;

TEST(JpegStructure, TellsWhichJpegsCanBeEmbeddedAsTheyAre)
{
    ImageFixtures::Folder folder;
    struct Row {
        const char* name;
        ImageFixtures::JpegOptions options;
        int marker;
        int components;
        bool embeddable;
    } rows[] = {
        {"baseline.jpg", {.width = 80, .height = 50}, 0xC0, 3, true},
        {"grey.jpg", {.bands = 1}, 0xC0, 1, true},
        {"progressive.jpg", {.progressive = true}, 0xC2, 3, true},
        {"exif-orientation-6.jpg", {.orientation = 6}, 0xC0, 3, true},
        {"cmyk.jpg", {.cmyk = true}, 0xC0, 4, false},
    };
    for (const Row& row : rows) {
        const JpegStructure structure = JpegStructure::read(readAll(folder.jpeg(row.name, row.options)));
        EXPECT_TRUE(structure.isJpeg) << row.name;
        EXPECT_TRUE(structure.complete) << row.name;
        EXPECT_EQ(structure.frameMarker, row.marker) << row.name;
        EXPECT_EQ(structure.components, row.components) << row.name;
        EXPECT_EQ(structure.precision, 8) << row.name;
        EXPECT_EQ(structure.canEmbedAsIs(), row.embeddable) << row.name;
    }
    const JpegStructure sized =
        JpegStructure::read(readAll(folder.jpeg("sized.jpg", {.width = 80, .height = 50})));
    EXPECT_EQ(sized.width, 80);
    EXPECT_EQ(sized.height, 50);
}

TEST(JpegStructure, DamagedOrForeignDataIsNeverEmbedded)
{
    ImageFixtures::Folder folder;
    const QByteArray whole = readAll(folder.jpeg("whole.jpg", {.width = 320, .height = 240}));

    const JpegStructure truncated = JpegStructure::read(whole.left(whole.size() / 2));
    EXPECT_TRUE(truncated.isJpeg);
    EXPECT_FALSE(truncated.complete);
    EXPECT_FALSE(truncated.canEmbedAsIs());

    // Data after the end marker (some cameras append some) leaves the picture whole.
    EXPECT_TRUE(JpegStructure::read(whole + QByteArray(4096, '\0') + "trailer").canEmbedAsIs());

    const QByteArray foreign[] = {QByteArray(),
                                  QByteArray("\xFF\xD8", 2),
                                  QByteArray("not a picture at all"),
                                  whole.left(3),
                                  whole.left(20),
                                  QByteArray("\xFF\xD8\xFF\xC0\x00\x02", 6)};
    for (const QByteArray& data : foreign) {
        EXPECT_FALSE(JpegStructure::read(data).canEmbedAsIs()) << data.toHex().toStdString();
    }
    // A segment length running past the end of the data.
    QByteArray overrun = whole.left(40);
    overrun[4] = char(0xFF);
    EXPECT_FALSE(JpegStructure::read(overrun).canEmbedAsIs());
}

TEST(JpegStructure, ReadsTheQualityProfileAndWhereTheImageEnds)
{
    ImageFixtures::Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {.width = 80, .height = 50}));
    const JpegStructure structure = JpegStructure::read(plain);
    EXPECT_EQ(structure.estimatedQuality, 90); // the fixtures are written at 90
    EXPECT_EQ(structure.imageEnd, plain.size());
    EXPECT_TRUE(plain.mid(structure.scanStart).startsWith("\xFF\xDA"));

    // A header cut short asks for more of the file; a damaged one does not.
    EXPECT_TRUE(JpegStructure::read(plain.left(structure.scanStart - 10)).headerCut);
    EXPECT_FALSE(JpegStructure::read(plain.left(structure.scanStart - 10)).isJpeg);
    QByteArray damaged = plain;
    damaged[2] = 'x';
    EXPECT_FALSE(JpegStructure::read(damaged).headerCut);

    // A profile in several chunks, stored out of order, is put back together in order.
    const auto chunk = [](int sequence, const QByteArray& data) {
        const QByteArray payload = QByteArray("ICC_PROFILE\0", 12) + char(sequence) + char(2) + data;
        return QByteArray("\xFF\xE2", 2) + char((payload.size() + 2) >> 8) +
               char((payload.size() + 2) & 0xFF) + payload;
    };
    QByteArray tagged = plain;
    tagged.insert(2, chunk(2, "second half") + chunk(1, "first half, "));
    EXPECT_EQ(JpegStructure::read(tagged).iccProfile, QByteArray("first half, second half"));

    const JpegStructure taggedStructure = JpegStructure::read(tagged);
    const QByteArray kept = taggedStructure.withoutPrivateSegments(tagged + "trailer", true);
    const QByteArray dropped = taggedStructure.withoutPrivateSegments(tagged + "trailer", false);
    EXPECT_EQ(JpegStructure::read(kept).iccProfile, QByteArray("first half, second half"));
    EXPECT_TRUE(JpegStructure::read(dropped).iccProfile.isEmpty());
    for (const QByteArray& out : {kept, dropped}) {
        EXPECT_TRUE(out.endsWith(plain.mid(structure.scanStart)));
        EXPECT_FALSE(out.contains("Exif"));
        EXPECT_TRUE(JpegStructure::read(out).canEmbedAsIs());
    }
    // Nothing to give for a picture that does not end.
    EXPECT_TRUE(JpegStructure::read(plain.left(plain.size() - 100))
                    .withoutPrivateSegments(plain.left(plain.size() - 100), false)
                    .isEmpty());
}
