#include "ColorFixtures.h"
#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/JpegStructure.h"

#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using ImageFixtures::readAll;

TEST(JpegStructure, ReadsTheFrameTheEndAndTheProfileWithoutDecoding)
{
    ImageFixtures::Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {80, 50}));
    const qsizetype frame = plain.indexOf(QByteArray("\xFF\xC0", 2));
    const auto patched = [&](int offset, int value) {
        QByteArray data = plain;
        data[frame + offset] = char(value);
        return data;
    };
    // Is a JPEG, is complete, frame marker, precision, size, components, can be embedded as it is.
    using Summary = std::tuple<bool, bool, int, int, QSize, int, bool>;
    const Summary foreign{false, false, 0, 0, QSize(0, 0), 0, false};
    const std::tuple<const char*, QByteArray, Summary> rows[] = {
        {"baseline", plain, {true, true, 0xC0, 8, {80, 50}, 3, true}},
        {"grey", patched(9, 1), {true, true, 0xC0, 8, {80, 50}, 1, true}},
        {"progressive", patched(1, 0xC2), {true, true, 0xC2, 8, {80, 50}, 3, true}},
        {"cmyk", patched(9, 4), {true, true, 0xC0, 8, {80, 50}, 4, false}},
        {"extended", patched(1, 0xC1), {true, true, 0xC1, 8, {80, 50}, 3, true}},
        {"lossless", patched(1, 0xC3), {true, true, 0xC3, 8, {80, 50}, 3, false}},
        {"arithmetic", patched(1, 0xC9), {true, true, 0xC9, 8, {80, 50}, 3, false}},
        {"last frame kind", patched(1, 0xCF), {true, true, 0xCF, 8, {80, 50}, 3, false}},
        {"12 bits", patched(4, 12), {true, true, 0xC0, 12, {80, 50}, 3, false}},
        {"height from a later marker", patched(6, 0), {true, true, 0xC0, 8, {80, 0}, 3, false}},
        {"no width", patched(8, 0), {true, true, 0xC0, 8, {0, 50}, 3, false}},
        {"one pixel wide", patched(8, 1), {true, true, 0xC0, 8, {1, 50}, 3, true}},
        {"one pixel high", patched(6, 1), {true, true, 0xC0, 8, {80, 1}, 3, true}},
        {"two components", patched(9, 2), {true, true, 0xC0, 8, {80, 50}, 2, false}},
        {"cut short", plain.left(plain.size() - 100), {true, false, 0xC0, 8, {80, 50}, 3, false}},
        {"with a trailer", plain + "trailer", {true, true, 0xC0, 8, {80, 50}, 3, true}},
        {"empty", {}, foreign},
        {"text", "not a picture at all", foreign},
        {"header cut", plain.left(20), foreign},
        {"frame too short", QByteArray("\xFF\xD8\xFF\xC0\x00\x02", 6), foreign},
        {"empty comment",
         plain.left(2) + QByteArray("\xFF\xFE\x00\x02", 4) + plain.mid(2),
         {true, true, 0xC0, 8, {80, 50}, 3, true}},
        {"smallest frame",
         QByteArray("\xFF\xD8\xFF\xC0\x00\x08\x08\x00\x32\x00\x50\x03", 12),
         {false, false, 0xC0, 8, {80, 50}, 3, false}},
        {"segment running past the end", plain.left(4) + "\xFF" + plain.mid(5, 35), foreign},
    };
    for (const auto& [name, data, expected] : rows) {
        const JpegStructure read = JpegStructure::read(data);
        EXPECT_EQ(Summary(read.isJpeg, read.complete, read.frameMarker, read.precision,
                          QSize(read.width, read.height), read.components, read.canEmbedAsIs()),
                  expected)
            << name;
    }
    EXPECT_EQ(JpegStructure::endOfImage(plain, 0), plain.size());
    EXPECT_EQ(JpegStructure::endOfImage(plain, -1), 0);
    // A header cut short asks for more of the file; a damaged one does not.
    EXPECT_TRUE(JpegStructure::read(plain.left(plain.indexOf("\xFF\xDA") - 10)).headerCut);
    EXPECT_FALSE(JpegStructure::read("\xFF\xD8x" + plain.mid(3)).headerCut);
    EXPECT_FALSE(JpegStructure::read("x").headerCut);
    // A profile in several chunks, stored out of order, is put back together in order, and kept whole.
    const auto chunk = [](int sequence, const QByteArray& data) {
        return ImageFixtures::segment(0xE2,
                                      QByteArray("ICC_PROFILE\0", 12) + char(sequence) + char(2) + data);
    };
    const QByteArray tagged =
        plain.left(2) + chunk(2, "second half") + chunk(1, "first half, ") + plain.mid(2);
    const JpegStructure structure = JpegStructure::read(tagged);
    EXPECT_EQ(structure.iccProfile, "first half, second half");
    EXPECT_EQ(JpegStructure::read(structure.withoutPrivateSegments(tagged, true)).iccProfile,
              structure.iccProfile);
}
