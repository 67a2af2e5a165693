#include "ColorFixtures.h"
#include "ImageFixtures.h"
#include "PngFixtures.h"
#include "RuvedovUzedoz/Images/PngStructure.h"
#include "RuvedovUzedoz/Images/VipsApi.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace RuvedovUzedoz;
using namespace PngFixtures;

namespace {

int gradient(qsizetype k)
{
    return int(k * 7 % 251);
}

QByteArray inflated(const QByteArray& zlib, qsizetype size)
{
    QByteArray framed(4, Qt::Uninitialized); // the length header that qUncompress expects
    qToBigEndian(quint32(size), framed.data());
    return qUncompress(framed + zlib);
}

QByteArray imageDataOf(const QByteArray& file, const PngStructure& structure)
{
    QByteArray data;
    for (const auto& [offset, length] : structure.imageData)
        data += file.mid(offset, length);
    return data;
}

} // namespace

TEST(PngStructure, FindsTheImageDataAndProfileAmongTheOtherChunks)
{
    const QByteArray zlib = rowData(30, 20, 3, gradient);
    const QByteArray profile = ImageFixtures::Profiles::adobeRgb();
    const QByteArray file = png(30, 20, 8, 2, zlib, 3,
                                chunk("tEXt", QByteArray("Comment\0PRIVATE-TEXT", 20)) +
                                    profileChunk(profile) + chunk("gAMA", QByteArray("\0\0\x86\xa0", 4)),
                                chunk("tIME", QByteArray("\x07\xea\x0c\x07\x08\0\0", 7))) +
                            "appended after the end";
    const PngStructure structure = PngStructure::read(file);
    EXPECT_TRUE(structure.isPng);
    EXPECT_TRUE(structure.intact);
    EXPECT_TRUE(structure.canEmbedAsIs());
    EXPECT_EQ(structure.width, 30);
    EXPECT_EQ(structure.height, 20);
    EXPECT_EQ(structure.components(), 3);
    EXPECT_EQ(structure.imageData.size(), 3u);
    EXPECT_EQ(imageDataOf(file, structure), zlib);
    EXPECT_EQ(structure.iccProfile, profile);
    EXPECT_FALSE(structure.hasExif);

    const PngStructure grey = PngStructure::read(png(30, 1, 8, 0, rowData(30, 1, 1, gradient)));
    EXPECT_TRUE(grey.canEmbedAsIs());
    EXPECT_EQ(grey.components(), 1);
}

TEST(PngStructure, WhatAPdfCannotReadAsItIsOrIsDamagedIsNotEmbedded)
{
    const QByteArray rgb = rowData(8, 4, 3, gradient);
    const QByteArray plain = png(8, 4, 8, 2, rgb, 2);
    const QByteArray brokenProfile = chunk("iCCP", QByteArray("icc\0\0not zlib", 13));
    const struct {
        const char* what;
        QByteArray file;
        bool intact;
    } rows[] = {
        // Palette, 16-bit, interlaced and transparent pictures: see the image reader's tests.
        {"grey and alpha", png(8, 4, 8, 4, rowData(8, 4, 2, gradient)), true},
        {"unknown critical chunk", withChunks(plain, chunk("CUST", "?")), true},
        {"palette in a grey picture",
         png(8, 4, 8, 0, rowData(8, 4, 1, gradient), 1, chunk("PLTE", QByteArray(3, '\0'))), true},
        {"unreadable profile", withChunks(plain, brokenProfile), true},
        {"flipped bit in the image data", withFlippedDataBit(plain), false},
        {"text with a wrong checksum",
         withChunks(plain, chunk("tEXt", QByteArray("a\0b", 3)).replace("a\0b", 3, "a\0c", 3)), false},
        {"no end", plain.left(plain.size() - 12), false},
        {"cut inside the image data", plain.left(plain.indexOf("IDAT") + 10), false},
        {"image data apart",
         png(8, 4, 8, 2, rgb, 2)
             .replace(plain.lastIndexOf("IDAT") - 4, 0, chunk("tEXt", QByteArray("a\0b", 3))),
         false},
        {"no image data", png(8, 4, 8, 2, {}, 1), false},
    };
    EXPECT_TRUE(PngStructure::read(plain).canEmbedAsIs());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const PngStructure structure = PngStructure::read(row.file);
        EXPECT_EQ(structure.intact, row.intact);
        EXPECT_FALSE(structure.canEmbedAsIs());
    }
    // Also a header with another compression, filter or interlace method than PNG's own, or no width.
    const auto withHeaderByte = [&](int at, char value) {
        QByteArray header = plain.mid(16, 13);
        header[at] = value;
        return plain.left(8) + chunk("IHDR", header) + plain.mid(33);
    };
    for (const QByteArray& file :
         {QByteArray(), QByteArray("\x89PNG\r\n\x1a\n", 8), plain.mid(1), ImageFixtures::segment(0xD8, {}),
          withHeaderByte(10, 1), withHeaderByte(11, 1), withHeaderByte(12, 2), withHeaderByte(3, 0)}) {
        EXPECT_FALSE(PngStructure::read(file).isPng);
    }
}

// Each filter of the format, as an encoder chooses it, gives back the rows that the decoder reads.
TEST(PngStructure, RowsComeBackFromEachFilter)
{
    ImageFixtures::Folder folder;
    // Wrong lengths and unknown filters give nothing.
    EXPECT_TRUE(PngStructure::unfilteredRows(QByteArray(7, '\0'), 2, 2, 1).isEmpty());
    EXPECT_TRUE(PngStructure::unfilteredRows(QByteArray("\0ab\5cd", 6), 2, 2, 1).isEmpty());
    EXPECT_EQ(PngStructure::unfilteredRows(QByteArray("\0ab\2cd", 6), 2, 2, 1), QByteArray("ab\xC4\xC6", 4));
    for (const int bands : {1, 3}) {
        const ImageFixtures::Image picture =
            ImageFixtures::picture(37, 23, bands, [](int x, int y, int band) {
                return (x * x * 3 + y * 11 + band * 80 + (x * y) % 17) % 256;
            });
        for (const char* filter : {"none", "sub", "up", "avg", "paeth", "all"}) {
            SCOPED_TRACE(std::string(filter) + (bands == 1 ? " grey" : " RGB"));
            const QByteArray format = QByteArray(".png[filter=") + filter + "]";
            const QByteArray file = ImageFixtures::readAll(folder.save("f.png", picture.get(), format));
            const PngStructure structure = PngStructure::read(file);
            ASSERT_TRUE(structure.canEmbedAsIs());
            const QByteArray rows = PngStructure::unfilteredRows(
                inflated(imageDataOf(file, structure), (37 * bands + 1) * 23), 37, 23, bands);
            EXPECT_TRUE(rows == decodedPixels(file));
        }
    }
}
