#include "JpegStructure.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace RuvedovUzedoz {

namespace {

int be16(const unsigned char* p)
{
    return (p[0] << 8) | p[1];
}

bool isFrameMarker(int marker)
{
    // SOF0..SOF15 less DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Offset just past the end-of-image marker, 0 when there is none.
size_t endMarkerEnd(const unsigned char* data, size_t size, size_t from)
{
    // Inside entropy-coded data every 0xFF is stuffed or a restart marker, so the first FF D9 after the
    // scan starts is the end of the image; data appended after it (some cameras add some) does not matter.
    for (size_t i = from; i + 1 < size;) {
        const void* hit = std::memchr(data + i, 0xFF, size - 1 - i);
        if (!hit) {
            return 0;
        }
        i = size_t(static_cast<const unsigned char*>(hit) - data);
        if (data[i + 1] == 0xD9) {
            return i + 2;
        }
        ++i;
    }
    return 0;
}

enum class Walk { ReachedScan, Cut, Damaged };

// Calls `segment(marker, offset of its FF, payload offset, payload length)` for each marker segment up to
// the first scan; `scan` gets the offset of the SOS marker.
template <typename Segment>
Walk walkHeader(const unsigned char* data, size_t size, Segment&& segment, size_t& scan)
{
    if ((size >= 1 && data[0] != 0xFF) || (size >= 2 && data[1] != 0xD8)) {
        return Walk::Damaged;
    }
    if (size < 4) {
        return Walk::Cut;
    }
    size_t i = 2;
    while (i + 1 < size) {
        if (data[i] != 0xFF) {
            return Walk::Damaged; // not at a marker
        }
        const size_t start = i;
        while (i < size && data[i] == 0xFF) {
            ++i; // fill bytes
        }
        if (i >= size) {
            return Walk::Cut;
        }
        const int marker = data[i++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // markers without a length
        }
        if (marker == 0xD8 || marker == 0xD9) {
            return Walk::Damaged;
        }
        if (i + 2 > size) {
            return Walk::Cut;
        }
        const size_t length = size_t(be16(data + i));
        if (length < 2) {
            return Walk::Damaged;
        }
        if (i + length > size) {
            return Walk::Cut;
        }
        if (marker == 0xDA) {
            scan = start;
            return Walk::ReachedScan;
        }
        segment(marker, start, i + 2, length - 2);
        i += length;
    }
    return Walk::Cut;
}

bool startsWith(const unsigned char* payload, size_t length, const char* tag, size_t tagLength)
{
    return length >= tagLength && std::memcmp(payload, tag, tagLength) == 0;
}

constexpr char iccTag[] = "ICC_PROFILE"; // with its NUL: 12 bytes
constexpr size_t iccTagLength = 12;

// The standard luminance quantisation table; encoders scale it by quality.
constexpr int standardLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                       14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                       18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                       49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// Where the k-th value of a table as stored (zig-zag order) sits in the 8 × 8 block.
constexpr int naturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// `table` in the 8 × 8 block's own order.
int nearestQuality(const int table[64])
{
    int best = 0;
    long bestDistance = -1;
    for (int quality = 1; quality <= 100; ++quality) {
        const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
        long distance = 0;
        for (int k = 0; k < 64; ++k) {
            const int expected = std::clamp((standardLuminance[k] * scale + 50) / 100, 1, 255);
            distance += std::abs(expected - table[k]);
        }
        if (bestDistance < 0 || distance <= bestDistance) {
            best = quality;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

JpegStructure JpegStructure::read(const QByteArray& bytes)
{
    JpegStructure result;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    bool sawFrame = false;
    bool damaged = false;
    std::map<int, QByteArray> iccChunks;
    const auto segment = [&](int marker, size_t, size_t payload, size_t length) {
        const unsigned char* p = data + payload;
        if (isFrameMarker(marker) && !sawFrame) {
            if (length < 6) {
                damaged = true;
                return;
            }
            sawFrame = true;
            result.frameMarker = marker;
            result.precision = p[0];
            result.height = be16(p + 1);
            result.width = be16(p + 3);
            result.components = p[5];
        } else if (marker == 0xE2 && startsWith(p, length, iccTag, iccTagLength) && length >= 14) {
            iccChunks[p[12]] = QByteArray(reinterpret_cast<const char*>(p + 14), qsizetype(length - 14));
        } else if (marker == 0xDB) {
            // Tables one after another: precision/id byte, then 64 values of 1 or 2 bytes.
            for (size_t at = 0; at < length;) {
                const bool wide = (p[at] >> 4) != 0;
                const int id = p[at] & 0x0F;
                const size_t tableLength = 1 + 64 * (wide ? 2 : 1);
                if (at + tableLength > length) {
                    break;
                }
                if (id == 0) {
                    int table[64];
                    for (int k = 0; k < 64; ++k) {
                        table[naturalOrder[k]] = wide ? be16(p + at + 1 + 2 * k) : p[at + 1 + k];
                    }
                    result.estimatedQuality = nearestQuality(table);
                }
                at += tableLength;
            }
        }
    };
    size_t scan = 0;
    const Walk walk = walkHeader(data, size, segment, scan);
    result.headerCut = walk == Walk::Cut;
    if (walk != Walk::ReachedScan || damaged) {
        return result;
    }
    for (const auto& [sequence, chunk] : iccChunks) {
        result.iccProfile += chunk;
    }
    result.isJpeg = sawFrame;
    result.scanStart = qsizetype(scan);
    const size_t end = sawFrame ? endMarkerEnd(data, size, scan + 2) : 0;
    result.complete = end > 0;
    result.imageEnd = qsizetype(end);
    return result;
}

qsizetype JpegStructure::endOfImage(const QByteArray& bytes, qsizetype from)
{
    if (from < 0 || from >= bytes.size()) {
        return 0;
    }
    return qsizetype(endMarkerEnd(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  size_t(bytes.size()), size_t(from)));
}

bool JpegStructure::canEmbedAsIs() const
{
    return complete && hasEmbeddableCoding();
}

bool JpegStructure::hasEmbeddableCoding() const
{
    return isJpeg && (frameMarker == 0xC0 || frameMarker == 0xC1 || frameMarker == 0xC2) && precision == 8 &&
           (components == 1 || components == 3) && width > 0 && height > 0;
}

QByteArray JpegStructure::withoutPrivateSegments(const QByteArray& bytes, bool keepProfile) const
{
    if (!complete || imageEnd > bytes.size()) {
        return {};
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    QByteArray out;
    out.reserve(imageEnd);
    out.append("\xFF\xD8", 2);
    const auto segment = [&](int marker, size_t, size_t payload, size_t length) {
        const unsigned char* p = data + payload;
        const auto copy = [&](size_t count) {
            out.append(char(0xFF)).append(char(marker));
            out.append(char((count + 2) >> 8)).append(char((count + 2) & 0xFF));
            out.append(reinterpret_cast<const char*>(p), qsizetype(count));
        };
        if (marker == 0xE0) {
            // JFIF's fixed part only; what follows it is a thumbnail.
            if (startsWith(p, length, "JFIF", 5) && length >= 14) {
                copy(14);
                out[out.size() - 2] = 0;
                out[out.size() - 1] = 0;
            }
        } else if (marker == 0xEE) {
            if (startsWith(p, length, "Adobe", 5)) {
                copy(length);
            }
        } else if (marker == 0xE2) {
            if (keepProfile && startsWith(p, length, iccTag, iccTagLength)) {
                copy(length);
            }
        } else if ((marker >= 0xE1 && marker <= 0xEF) || marker == 0xFE) {
            // EXIF, XMP, IPTC, MPF, maker data and comments stay behind.
        } else {
            copy(length);
        }
    };
    size_t scan = 0;
    if (walkHeader(data, size_t(bytes.size()), segment, scan) != Walk::ReachedScan ||
        qsizetype(scan) != scanStart) {
        return {};
    }
    out.append(bytes.constData() + scanStart, imageEnd - scanStart);
    return out;
}

} // namespace RuvedovUzedoz
