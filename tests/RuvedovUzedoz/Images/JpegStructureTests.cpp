#include "ColorFixtures.h"
#include "ImageFixtures.h"
#include "RuvedovUzedoz/Images/JpegStructure.h"

#include <gtest/gtest.h>
#include <random>

using namespace RuvedovUzedoz;
using namespace ImageFixtures;

TEST(JpegStructure, ReadsTheFrameAndTheEndWithoutDecoding)
{
    Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {80, 50}));
    const qsizetype sof = plain.indexOf(QByteArray("\xFF\xC0", 2)), scan = plain.indexOf("\xFF\xDA");
    const auto patched = [&](int i, int v) { return plain.left(sof + i) + char(v) + plain.mid(sof + i + 1); };
    const auto with = [&](int at, const QByteArray& add) { return plain.left(at) + add + plain.mid(at); };
    // Is a JPEG, header cut, complete, frame marker, precision, size, components, coding that a PDF reads.
    using Summary = std::tuple<bool, bool, bool, int, int, QSize, int, bool>;
    const Summary whole{true, false, true, 0xC0, 8, {80, 50}, 3, true};
    const std::tuple<const char*, QByteArray, Summary> rows[] = {
        {"baseline", plain, whole},
        {"extended", patched(1, 0xC1), {true, false, true, 0xC1, 8, {80, 50}, 3, true}},
        {"12 bits", patched(4, 12), {true, false, true, 0xC0, 12, {80, 50}, 3, false}},
        {"height from a later marker", patched(6, 0), {true, false, true, 0xC0, 8, {80, 0}, 3, false}},
        {"no width", patched(8, 0), {true, false, true, 0xC0, 8, {0, 50}, 3, false}},
        {"one pixel wide", patched(8, 1), {true, false, true, 0xC0, 8, {1, 50}, 3, true}},
        {"cut short", plain.left(plain.size() - 100), {true, false, false, 0xC0, 8, {80, 50}, 3, true}},
        {"fill byte before the end", plain.chopped(2) + "\xFF\xFF\xD9", whole},
        {"markers without a length", with(2, "\xFF\x01\xFF\xD0\xFF\xD7"), whole},
        {"empty comment", with(2, QByteArray("\xFF\xFE\x00\x02", 4)), whole},
        {"thumbnail ending before the scan", with(scan, segment(0xE1, "Exif\xFF\xD9")), whole},
        {"smallest frame first",
         with(2, segment(0xC2, QByteArray("\x08\0\x01\x01\x02\x01", 6))),
         {true, false, true, 0xC2, 8, {258, 1}, 1, true}},
        {"one byte", "x", {false, false, false, 0, 0, {0, 0}, 0, false}},
        {"short frame", with(2, segment(0xC0, "\x08")), {false, false, false, 0xC0, 8, {80, 50}, 3, false}},
    };
    for (const auto& [name, data, expected] : rows) {
        SCOPED_TRACE(name);
        const JpegStructure read = JpegStructure::read(data);
        EXPECT_EQ(Summary(read.isJpeg, read.headerCut, read.complete, read.frameMarker, read.precision,
                          QSize(read.width, read.height), read.components, read.hasEmbeddableCoding()),
                  expected);
        EXPECT_EQ(read.scanStart, read.isJpeg ? data.indexOf("\xFF\xDA") : 0);
        EXPECT_EQ(read.imageEnd, read.complete ? data.indexOf("\xFF\xD9", read.scanStart) + 2 : 0);
    }
    for (qsizetype size = 0; size <= scan + 14; ++size) // a good header cut anywhere asks for more
        EXPECT_EQ(JpegStructure::read(plain.left(size)).headerCut, size < scan + 14) << size;
    for (const QByteArray& damaged : // however short, a damaged header does not
         QByteArrayList{"\xFFx", "\xFF\xD8xy", "\xFF\xD8\xFF\xD8", "\xFF\xD8\xFF\xD9",
                        QByteArray("\xFF\xD8\xFF\xFE\0\1", 6)})
        EXPECT_FALSE(JpegStructure::read(damaged).headerCut) << damaged.toHex().constData();
    for (int kind = 0xC0; kind <= 0xCF; ++kind) // all start a frame but DHT (C4), JPG (C8) and DAC (CC)
        EXPECT_EQ(JpegStructure::read(patched(1, kind)).frameMarker, kind % 4 || kind == 0xC0 ? kind : 0);
    EXPECT_EQ(JpegStructure::endOfImage(plain, 0), plain.size());
    EXPECT_EQ(JpegStructure::endOfImage(plain, -1), 0);
}

TEST(JpegStructure, PassedOnKeepsOnlyThePicture)
{
    Folder folder;
    const QByteArray plain = readAll(folder.jpeg("plain.jpg", {80, 50})), phone = withPrivateData(plain);
    const QByteArray tag("ICC_PROFILE", 12), adobe = segment(0xEE, "Adobe"), bare = segment(0xE2, tag);
    const QByteArray profile = segment(0xE2, tag + "\2\2two") + segment(0xE2, tag + "\1\2one, ") + bare;
    const QByteArray all = phone.left(2) + adobe + profile + segment(0xE0, "JFXX thumbnail") + phone.mid(2);
    const JpegStructure structure = JpegStructure::read(all);
    EXPECT_EQ(structure.iccProfile, "one, two");
    const QByteArray jfif = segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x48\0\x48\0\0", 14)); // no thumbnail
    const QByteArray coding = plain.mid(plain.indexOf("\xFF\xDB")); // tables, frame and scans: no EXIF
    for (const bool keep : {false, true})
        EXPECT_EQ(structure.withoutPrivateSegments(all, keep),
                  "\xFF\xD8" + adobe + (keep ? profile : "") + jfif + coding);
    EXPECT_TRUE(JpegStructure::read(all.chopped(99)).withoutPrivateSegments(all.chopped(99), true).isEmpty());
}

// The encoder's own tables, and others near them in 8 or 16 bits: the quality whose encoder table is nearest.
TEST(JpegStructure, EstimatesTheQualityWhoseTableIsNearest)
{
    Folder folder;
    const Image image = picture(8, 8, 3, [](int x, int y, int band) { return x * y * band; });
    QByteArray stored[101], jpeg; // by quality, in the order of the file
    for (int quality = 1; quality <= 100; ++quality) {
        jpeg = readAll(folder.save("q", image.get(), qPrintable(QString(".jpg[Q=%1]").arg(quality))));
        stored[quality] = jpeg.mid(jpeg.indexOf("\xFF\xDB") + 5, 64);
        EXPECT_EQ(JpegStructure::read(jpeg).estimatedQuality, quality);
    }
    const qsizetype dqt = jpeg.indexOf("\xFF\xDB");
    const auto estimate = [&](const QByteArray& tables) {
        return JpegStructure::read(jpeg.left(dqt) + segment(0xDB, tables) + jpeg.mid(dqt + 69))
            .estimatedQuality;
    };
    std::minstd_rand random;
    for (int quality = 1; quality <= 100; ++quality)
        for (int draw = 0; draw < 6; ++draw) {
            QByteArray table = stored[quality], wide(1, '\x10');
            for (char& value : table) {
                value = char(std::clamp(int(uchar(value)) + int(random() % 17) - 8, 1, 255));
                wide.append('\0').append(value);
            }
            int nearest = 0; // the highest of equally near qualities
            for (long q = 1, best = -1, distance = 0; q <= 100; ++q, distance = 0) {
                for (int k = 0; k < 64; ++k)
                    distance += std::abs(int(uchar(table[k])) - int(uchar(stored[q][k])));
                if (best < 0 || distance <= best)
                    nearest = int(q), best = distance;
            }
            const QByteArray forms[] = {'\0' + table, wide, '\x01' + stored[101 - quality] + wide};
            EXPECT_EQ(estimate(forms[draw % 3]), nearest) << quality << " " << draw;
        }
    EXPECT_EQ(estimate('\0' + stored[50].left(32)), 0) << "a table cut short";
}
