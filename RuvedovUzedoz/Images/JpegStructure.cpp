#include "JpegStructure.h"

#include <cstring>

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

bool hasEndMarker(const unsigned char* data, size_t size, size_t from)
{
    // Inside entropy-coded data every 0xFF is stuffed or a restart marker, so the first FF D9 after the
    // scan starts is the end of the image; data appended after it (some cameras add some) does not matter.
    for (size_t i = from; i + 1 < size;) {
        const void* hit = std::memchr(data + i, 0xFF, size - 1 - i);
        if (!hit) {
            return false;
        }
        i = size_t(static_cast<const unsigned char*>(hit) - data);
        if (data[i + 1] == 0xD9) {
            return true;
        }
        ++i;
    }
    return false;
}

} // namespace

JpegStructure JpegStructure::read(const QByteArray& bytes)
{
    JpegStructure result;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return result;
    }
    bool sawFrame = false;
    size_t i = 2;
    while (i + 1 < size) {
        if (data[i] != 0xFF) {
            return result; // not at a marker: damaged header
        }
        while (i < size && data[i] == 0xFF) {
            ++i; // fill bytes
        }
        if (i >= size) {
            return result;
        }
        const int marker = data[i++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // markers without a length
        }
        if (marker == 0xD8 || marker == 0xD9 || i + 2 > size) {
            return result;
        }
        const size_t length = size_t(be16(data + i));
        if (length < 2 || i + length > size) {
            return result;
        }
        if (isFrameMarker(marker) && !sawFrame) {
            if (length < 8) {
                return result;
            }
            sawFrame = true;
            result.frameMarker = marker;
            result.precision = data[i + 2];
            result.height = be16(data + i + 3);
            result.width = be16(data + i + 5);
            result.components = data[i + 7];
        } else if (marker == 0xDA) {
            result.isJpeg = sawFrame;
            result.complete = sawFrame && hasEndMarker(data, size, i + length);
            return result;
        }
        i += length;
    }
    return result;
}

bool JpegStructure::canEmbedAsIs() const
{
    return isJpeg && complete && (frameMarker == 0xC0 || frameMarker == 0xC1 || frameMarker == 0xC2) &&
           precision == 8 && (components == 1 || components == 3) && width > 0 && height > 0;
}

} // namespace RuvedovUzedoz
