#include "PngFixtures.h"

#include "RuvedovUzedoz/Images/VipsApi.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

namespace PngFixtures {

namespace {

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

constexpr qsizetype signatureAndHeader = 8 + 25;

} // namespace

QByteArray chunk(const char* type, const QByteArray& data)
{
    const QByteArray typed = QByteArray(type, 4) + data;
    return be32(quint32(data.size())) + typed +
           be32(quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))));
}

QByteArray rowData(int width, int height, int components, int (*value)(qsizetype))
{
    QByteArray rows;
    qsizetype k = 0;
    for (int y = 0; y < height; ++y) {
        rows.append('\0');
        for (int x = 0; x < width * components; ++x)
            rows.append(char(value(k++)));
    }
    return qCompress(rows).mid(4); // without Qt's length prefix
}

QByteArray png(int width, int height, int bitDepth, int colorType, const QByteArray& zlib, int pieces,
               const QByteArray& before, const QByteArray& after, int interlace)
{
    QByteArray file("\x89PNG\r\n\x1a\n", 8);
    file += chunk("IHDR", be32(quint32(width)) + be32(quint32(height)) + char(bitDepth) + char(colorType) +
                              char(0) + char(0) + char(interlace));
    file += before;
    const qsizetype piece = (zlib.size() + pieces - 1) / pieces;
    for (qsizetype at = 0; at < zlib.size(); at += piece)
        file += chunk("IDAT", zlib.mid(at, piece));
    return file + after + chunk("IEND", {});
}

QByteArray withChunks(const QByteArray& file, const QByteArray& chunks)
{
    return file.left(signatureAndHeader) + chunks + file.mid(signatureAndHeader);
}

QByteArray withFlippedDataBit(const QByteArray& file)
{
    QByteArray flipped = file;
    const qsizetype data = file.indexOf("IDAT") + 4;
    flipped[data + 20] = char(flipped[data + 20] ^ 0x10);
    return flipped;
}

QByteArray profileChunk(const QByteArray& profile)
{
    return chunk("iCCP", QByteArray("icc\0\0", 5) + qCompress(profile).mid(4));
}

QByteArray orientationChunk(int orientation)
{
    // Big-endian TIFF: one IFD with one SHORT entry, Orientation.
    QByteArray exif("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18);
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray(6, '\0');
    return chunk("eXIf", exif);
}

QByteArray imageData(const QByteArray& file)
{
    QByteArray data;
    for (qsizetype at = 8; at + 12 <= file.size();) {
        const qsizetype length = qFromBigEndian<quint32>(file.constData() + at);
        if (file.mid(at + 4, 4) == "IDAT")
            data += file.mid(at + 8, length);
        at += length + 12;
    }
    return data;
}

QByteArray decodedPixels(const QByteArray& file, int* bands)
{
    VipsImage* image = vips_image_new_from_buffer(file.constData(), size_t(file.size()), "", nullptr);
    EXPECT_TRUE(image) << vips_error_buffer();
    if (!image)
        return {};
    size_t length = 0;
    void* memory = vips_image_write_to_memory(image, &length);
    const QByteArray pixels(static_cast<const char*>(memory), qsizetype(length));
    if (bands)
        *bands = image->Bands;
    g_free(memory);
    g_object_unref(image);
    return pixels;
}

} // namespace PngFixtures
