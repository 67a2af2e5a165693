#include "PngStructure.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

namespace RuvedovUzedoz {

namespace {

constexpr char signature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype signatureLength = 8;

quint32 be32(const unsigned char* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

bool isType(const unsigned char* type, const char* name)
{
    return std::memcmp(type, name, 4) == 0;
}

// The profile of an iCCP chunk: a name of 1 to 79 bytes, a NUL, the compression method (0), then the
// zlib stream. Empty when it cannot be read or is larger than `limit`.
QByteArray profileOf(const unsigned char* data, qsizetype length, qsizetype limit)
{
    const auto* nul =
        static_cast<const unsigned char*>(std::memchr(data, 0, size_t(std::min<qsizetype>(length, 80))));
    if (!nul || nul == data || nul + 2 > data + length || nul[1] != 0)
        return {};
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    stream.next_in = const_cast<unsigned char*>(nul + 2);
    stream.avail_in = uInt(data + length - (nul + 2));
    QByteArray profile;
    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype before = profile.size();
        const qsizetype room = std::min<qsizetype>(64 * 1024, limit + 1 - before);
        if (room <= 0)
            break;
        profile.resize(before + room);
        stream.next_out = reinterpret_cast<unsigned char*>(profile.data() + before);
        stream.avail_out = uInt(room);
        status = inflate(&stream, Z_NO_FLUSH);
        profile.resize(before + room - qsizetype(stream.avail_out));
        if (status == Z_BUF_ERROR && stream.avail_out != 0)
            break; // the stream ends before its end
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || profile.size() > limit)
        return {};
    return profile;
}

} // namespace

PngStructure PngStructure::read(const QByteArray& bytes)
{
    PngStructure result;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < signatureLength || std::memcmp(data, signature, signatureLength) != 0)
        return result;
    bool sawHeader = false;
    bool imageDataEnded = false; // another chunk came after the image data
    for (qsizetype at = signatureLength; at + 12 <= size;) {
        const quint32 length = be32(data + at);
        const unsigned char* type = data + at + 4;
        const unsigned char* payload = type + 4;
        if (length > 0x7FFFFFFFu || qsizetype(length) > size - at - 12)
            return result; // cut short
        const quint32 stored = be32(payload + length);
        if (quint32(crc32(0, type, uInt(length + 4))) != stored)
            return result;
        if (!sawHeader) {
            if (!isType(type, "IHDR") || length != 13)
                return result;
            result.width = int(std::min<quint32>(be32(payload), 0x7FFFFFFF));
            result.height = int(std::min<quint32>(be32(payload + 4), 0x7FFFFFFF));
            result.bitDepth = payload[8];
            result.colorType = payload[9];
            result.interlace = payload[12];
            // Compression and filter methods other than 0 are not PNG's.
            if (result.width == 0 || result.height == 0 || payload[10] != 0 || payload[11] != 0 ||
                result.interlace > 1)
                return result;
            sawHeader = true;
            result.isPng = true;
        } else if (isType(type, "IDAT")) {
            if (imageDataEnded)
                return result; // image data in pieces apart
            result.imageData.emplace_back(qsizetype(payload - data), qsizetype(length));
        } else {
            imageDataEnded = !result.imageData.empty();
            if (isType(type, "IEND")) {
                result.intact = !result.imageData.empty();
                return result;
            }
            if (isType(type, "tRNS")) {
                result.hasTransparency = true;
            } else if (isType(type, "eXIf")) {
                result.hasExif = true;
            } else if (isType(type, "iCCP")) {
                result.iccProfile = profileOf(payload, qsizetype(length), maximumProfileSize);
                result.profileUnreadable = result.iccProfile.isEmpty();
            } else if (isType(type, "PLTE")) {
                // A suggested palette is allowed in RGB pictures; grey ones have none.
                result.hasUnknownCritical =
                    result.hasUnknownCritical || result.colorType == 0 || result.colorType == 4;
            } else if ((type[0] & 0x20) == 0) {
                result.hasUnknownCritical = true; // a critical chunk of a later standard, or a second IHDR
            }
        }
        at += 12 + qsizetype(length);
    }
    return result; // no end chunk: cut short
}

int PngStructure::components() const
{
    return colorType == 2 ? 3 : colorType == 0 ? 1 : 0;
}

bool PngStructure::canEmbedAsIs() const
{
    return isPng && intact && bitDepth == 8 && (colorType == 0 || colorType == 2) && interlace == 0 &&
           !hasTransparency && !hasUnknownCritical && !profileUnreadable;
}

QByteArray PngStructure::unfilteredRows(const QByteArray& filtered, int width, int height, int components)
{
    const qsizetype rowBytes = qsizetype(width) * components;
    if (width <= 0 || height <= 0 || components <= 0 || filtered.size() != (rowBytes + 1) * height)
        return {};
    QByteArray rows(rowBytes * height, Qt::Uninitialized);
    const auto* in = reinterpret_cast<const unsigned char*>(filtered.constData());
    auto* out = reinterpret_cast<unsigned char*>(rows.data());
    for (int y = 0; y < height; ++y) {
        const int filter = *in++;
        const unsigned char* above = y > 0 ? out - rowBytes : nullptr;
        for (qsizetype i = 0; i < rowBytes; ++i) {
            const int left = i >= components ? out[i - components] : 0;
            const int up = above ? above[i] : 0;
            const int upLeft = above && i >= components ? above[i - components] : 0;
            int predicted = 0;
            switch (filter) {
            case 0:
                break;
            case 1:
                predicted = left;
                break;
            case 2:
                predicted = up;
                break;
            case 3:
                predicted = (left + up) / 2;
                break;
            case 4: {
                const int estimate = left + up - upLeft;
                const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up),
                          toUpLeft = std::abs(estimate - upLeft);
                predicted = toLeft <= toUp && toLeft <= toUpLeft ? left : toUp <= toUpLeft ? up : upLeft;
                break;
            }
            default:
                return {};
            }
            out[i] = static_cast<unsigned char>(in[i] + predicted);
        }
        in += rowBytes;
        out += rowBytes;
    }
    return rows;
}

} // namespace RuvedovUzedoz
